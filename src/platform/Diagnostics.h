#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/Geometry.h"

namespace brindlecap {

// Reads BRINDLECAP_DIAGNOSTICS once and writes BRINDLECAP_… marker lines while it is set.
class Diagnostics {
 public:
  static constexpr const char* kVariable = "BRINDLECAP_DIAGNOSTICS";

  Diagnostics(const Environment& environment, DiagnosticOutput& output);

  bool isEnabled() const { return mode_.has_value(); }
  // The variable's value (the scripted mode), or nothing when diagnostics are off.
  const std::optional<std::string>& mode() const { return mode_; }
  bool isMode(std::string_view value) const { return mode_ && *mode_ == value; }

  // Writes "BRINDLECAP_<event>" and, when given, a space and the payload; only while enabled.
  void print(std::string_view event, std::string_view payload = {});

 private:
  std::optional<std::string> mode_;
  DiagnosticOutput& output_;
};

// "{x, y}" and "{{x, y}, {w, h}}", numbers in their shortest form ("1200", "887.5").
std::string describe(Point point);
std::string describe(const Rect& rect);

}  // namespace brindlecap
