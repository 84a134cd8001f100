// The timers file decoder against any bytes: it never crashes, and whatever it accepts is written
// back as a file that reads as the same timers and is then stable.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "timers/TimerItem.h"

using namespace brindlecap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto items = decodeTimerItems(text);
  if (!items) return 0;
  const std::string written = encodeTimerItems(*items);
  const auto reread = decodeTimerItems(written);
  FUZZ_CHECK(reread.has_value());
  FUZZ_CHECK(reread->size() == items->size());
  for (std::size_t i = 0; i < items->size(); ++i) {
    const TimerItem& before = (*items)[i];
    const TimerItem& after = (*reread)[i];
    FUZZ_CHECK(before.id == after.id && before.title == after.title);
    FUZZ_CHECK(before.snoozeCount == after.snoozeCount);
    // Finite times survive exactly; an overflowing one is kept at the largest finite value.
    if (std::isfinite(before.fireDate)) FUZZ_CHECK(before.fireDate == after.fireDate);
    FUZZ_CHECK(std::isfinite(after.fireDate) && std::isfinite(after.createdAt));
  }
  FUZZ_CHECK(encodeTimerItems(*reread) == written);
  return 0;
}
