#pragma once

#include "platform/TimePoint.h"

namespace brindlecap {

// The user's time zone, as far as wall-clock arithmetic needs it.
class TimeZone {
 public:
  virtual ~TimeZone() = default;
  // Seconds the local clock is ahead of UTC at the instant `t` (3600 in CET, 7200 in CEST).
  virtual int utcOffset(TimePoint t) const = 0;
};

}  // namespace brindlecap
