#pragma once

#include "platform/TimeZone.h"

namespace brindlecap::testing {

// Central European time with its summer time between two instants: UTC+1, and UTC+2 from
// `summerStart` (the clocks go from 02:00 to 03:00) until `summerEnd` (from 03:00 back to 02:00).
class FakeTimeZone : public TimeZone {
 public:
  FakeTimeZone(TimePoint summerStart, TimePoint summerEnd)
      : summerStart_(summerStart), summerEnd_(summerEnd) {}
  int utcOffset(TimePoint t) const override {
    return t >= summerStart_ && t < summerEnd_ ? 7200 : 3600;
  }

 private:
  TimePoint summerStart_;
  TimePoint summerEnd_;
};

}  // namespace brindlecap::testing
