#include "platform/Diagnostics.h"

#include <array>
#include <charconv>
#include <utility>

namespace brindlecap {

DiagnosticMode parseDiagnosticMode(std::optional<std::string_view> value) {
  using enum DiagnosticMode;
  if (!value) return none;
  static constexpr std::array<std::pair<std::string_view, DiagnosticMode>, 14> kNames{{
      {"1", launch},
      {"icon_active", iconActive},
      {"icon_idle", iconIdle},
      {"timer_list", timerList},
      {"marketing_timer_list", marketingTimerList},
      {"new_timer", newTimer},
      {"drag_preview", dragPreview},
      {"marketing_drag", marketingDrag},
      {"drag_animation", dragAnimation},
      {"completion_banner", completionBanner},
      {"notification_icon", notificationIcon},
      {"notification_identity_cleanup", notificationIdentityCleanup},
      {"settings", settings},
      {"marketing_settings", marketingSettings},
  }};
  for (const auto& [name, mode] : kNames) {
    if (*value == name) return mode;
  }
  return value->starts_with("marketing_") ? otherMarketing : other;
}

Diagnostics::Diagnostics(const Environment& environment, DiagnosticOutput& output)
    : mode_(parseDiagnosticMode(environment.variable(kVariable))), output_(output) {}

void Diagnostics::print(std::string_view event, std::string_view payload) {
  if (!isEnabled()) return;
  std::string line = "BRINDLECAP_";
  line.append(event);
  if (!payload.empty()) {
    line.push_back(' ');
    line.append(payload);
  }
  output_.writeLine(line);
}

namespace {
std::string number(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value == 0 ? 0.0 : value);
  return std::string(buffer, result.ptr);
}
}  // namespace

std::string describe(Point point) {
  return "{" + number(point.x) + ", " + number(point.y) + "}";
}

std::string describe(const Rect& rect) {
  return "{" + describe(rect.origin) + ", {" + number(rect.size.width) + ", " +
         number(rect.size.height) + "}}";
}

std::string describeInstant(TimePoint t) {
  return number(unixFromTimePoint(t));
}

}  // namespace brindlecap
