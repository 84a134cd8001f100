#include "platform/linux/SystemClock.h"

#include <time.h>

#include <chrono>

namespace brindlecap {

TimePoint SystemClock::now() const {
  const auto sinceUnixEpoch = std::chrono::system_clock::now().time_since_epoch();
  return timePointFromUnix(std::chrono::duration<double>(sinceUnixEpoch).count());
}

double SystemClock::uptime() const {
  // CLOCK_MONOTONIC rather than CLOCK_BOOTTIME: it stands still during suspend, which is what a
  // gesture wants (a drag cannot span a sleep), and it never jumps with the wall clock.
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace brindlecap
