#pragma once

#include "platform/Clock.h"

namespace brindlecap {

// The real clocks: the system's wall clock and CLOCK_MONOTONIC.
class SystemClock : public WallClock, public MonotonicClock {
 public:
  TimePoint now() const override;
  double uptime() const override;
};

}  // namespace brindlecap
