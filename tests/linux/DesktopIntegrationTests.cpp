// Dates over ICU in a Russian locale in Moscow, set through the process environment (TZ, LANG) as a
// user's session would: before anything in the process reads them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/linux/LocaleDateFormatter.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {
namespace {

const bool kSessionEnvironment = [] {
  setenv("TZ", "Europe/Moscow", 1);
  setenv("LANG", "ru_RU.UTF-8", 1);
  return true;
}();

TEST(DesktopIntegration, FireDatesReadInTheSessionsLocaleAndZone) {
  ASSERT_TRUE(kSessionEnvironment);
  LocaleDateFormatter formatter;
  const auto at = [](double unixSeconds) { return timePointFromUnix(unixSeconds); };
  const TimePoint morning = at(1796540400);  // 2026-12-06 10:00 in Moscow
  EXPECT_EQ(TimeFormatting::relativeFireDate(morning + 4 * 3600 + 300, morning, formatter),
            "сегодня в 14:05");
  EXPECT_EQ(TimeFormatting::relativeFireDate(morning + 14 * 3600 - 60, morning, formatter),
            "сегодня в 23:59");
  const std::string tomorrow =
      TimeFormatting::relativeFireDate(morning + 14 * 3600 + 60, morning, formatter);
  EXPECT_NE(tomorrow.find("7 дек. 2026"), std::string::npos) << tomorrow;
  EXPECT_NE(tomorrow.find("00:01"), std::string::npos) << tomorrow;

  // Same UTC day (6 Dec), different days in Moscow: 23:59 and 00:01.
  EXPECT_FALSE(formatter.isSameDay(at(1796590740), at(1796590860)));
  // Different UTC days, the same day (7 Dec) in Moscow: 01:00 and 23:00.
  EXPECT_TRUE(formatter.isSameDay(at(1796594400), at(1796673600)));
  // The same day of the year a year apart: 1 Mar 2025 and 2026 at noon UTC.
  EXPECT_FALSE(formatter.isSameDay(at(1740830400), at(1772366400)));
}

}  // namespace
}  // namespace brindlecap
