#include "platform/linux/PosixTimeZone.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "timers/DurationParser.h"

namespace brindlecap {
namespace {

// TZ for the test's duration, restored afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    ::setenv("TZ", zone, 1);
  }
  ~ScopedTimeZone() {
    if (previous_) {
      ::setenv("TZ", previous_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> previous_;
};

TEST(PosixTimeZone, FollowsTheZonesClockChanges) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) GTEST_SKIP() << "no tzdata";
  const ScopedTimeZone berlin("Europe/Berlin");
  const PosixTimeZone zone;
  // 2024-03-31 01:00 UTC the clocks went 02:00 → 03:00; 2024-10-27 01:00 UTC back 03:00 → 02:00.
  const TimePoint spring = timePointFromUnix(1711846800);
  const TimePoint autumn = timePointFromUnix(1729990800);
  EXPECT_EQ(zone.utcOffset(spring - 1), 3600);
  EXPECT_EQ(zone.utcOffset(spring), 7200);
  EXPECT_EQ(zone.utcOffset(autumn - 1), 7200);
  EXPECT_EQ(zone.utcOffset(autumn), 3600);

  // At 01:30 on the spring day, 02:30 will not come; 08:00 is 5.5 hours away, not 6.5.
  EXPECT_FALSE(fireDateAt({2, 30}, spring - 1800, zone));
  EXPECT_DOUBLE_EQ(*fireDateAt({8, 0}, spring - 1800, zone).value - (spring - 1800), 5.5 * 3600);
}

}  // namespace
}  // namespace brindlecap
