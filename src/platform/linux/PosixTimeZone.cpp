#include "platform/linux/PosixTimeZone.h"

#include <cmath>
#include <ctime>

namespace brindlecap {

PosixTimeZone::PosixTimeZone() {
  // localtime_r, unlike localtime, is not required to read TZ itself.
  ::tzset();
}

int PosixTimeZone::utcOffset(TimePoint t) const {
  const auto seconds = static_cast<std::time_t>(std::floor(unixFromTimePoint(t)));
  std::tm local{};
  if (::localtime_r(&seconds, &local) == nullptr) return 0;
  return static_cast<int>(local.tm_gmtoff);
}

}  // namespace brindlecap
