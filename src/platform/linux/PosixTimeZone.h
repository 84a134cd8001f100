#pragma once

#include "platform/TimeZone.h"

namespace brindlecap {

// The C library's local time zone: TZ when set, else /etc/localtime.
class PosixTimeZone : public TimeZone {
 public:
  PosixTimeZone();
  int utcOffset(TimePoint t) const override;
};

}  // namespace brindlecap
