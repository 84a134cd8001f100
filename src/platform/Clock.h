#pragma once

#include "platform/TimePoint.h"

namespace brindlecap {

// The wall clock: the current absolute instant. It may jump (manual change, time sync).
class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual TimePoint now() const = 0;
};

// Seconds since boot; never jumps backwards. Used for gesture timing only.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual double uptime() const = 0;
};

}  // namespace brindlecap
