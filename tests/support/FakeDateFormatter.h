#pragma once

#include <cmath>
#include <string>

#include "platform/DateFormatter.h"

namespace brindlecap::testing {

// Days are UTC days; texts are tagged so a test can tell which style was asked for.
class FakeDateFormatter : public DateFormatter {
 public:
  bool isSameDay(TimePoint a, TimePoint b) const override {
    return std::floor(a / 86400.0) == std::floor(b / 86400.0);
  }
  std::string shortTime(TimePoint t) const override { return "time(" + stamp(t) + ")"; }
  std::string abbreviatedDateTime(TimePoint t) const override { return "date(" + stamp(t) + ")"; }

 private:
  static std::string stamp(TimePoint t) { return std::to_string(static_cast<long long>(t)); }
};

}  // namespace brindlecap::testing
