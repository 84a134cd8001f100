#pragma once

#include <string>

#include "platform/TimePoint.h"

namespace brindlecap {

// Dates in the user's calendar, locale and time zone.
class DateFormatter {
 public:
  virtual ~DateFormatter() = default;
  virtual bool isSameDay(TimePoint a, TimePoint b) const = 0;
  // The time of day in the locale's short style, e.g. "14:05".
  virtual std::string shortTime(TimePoint t) const = 0;
  // Abbreviated date with short time, e.g. "7 дек. 2026 г., 00:01".
  virtual std::string abbreviatedDateTime(TimePoint t) const = 0;
};

}  // namespace brindlecap
