#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/Geometry.h"
#include "platform/TimePoint.h"

namespace brindlecap {

// The scripted mode BRINDLECAP_DIAGNOSTICS selects by its value.
enum class DiagnosticMode {
  none,                         // the variable is absent: diagnostics off
  launch,                       // "1": the launch marker, the list at start
  iconActive,                   // "icon_active"
  iconIdle,                     // "icon_idle"
  timerList,                    // "timer_list"
  marketingTimerList,           // "marketing_timer_list"
  newTimer,                     // "new_timer"
  dragPreview,                  // "drag_preview"
  marketingDrag,                // "marketing_drag"
  dragAnimation,                // "drag_animation"
  completionBanner,             // "completion_banner"
  notificationIcon,             // "notification_icon"
  notificationIdentityCleanup,  // "notification_identity_cleanup"
  settings,                     // "settings"
  marketingSettings,            // "marketing_settings"
  otherMarketing,               // any other value beginning with "marketing_"
  other,                        // any other value: markers only
};

// The mode for a value of the variable; nothing means the variable is absent.
DiagnosticMode parseDiagnosticMode(std::optional<std::string_view> value);

// Reads BRINDLECAP_DIAGNOSTICS once and writes BRINDLECAP_… marker lines while it is set.
class Diagnostics {
 public:
  static constexpr const char* kVariable = "BRINDLECAP_DIAGNOSTICS";

  Diagnostics(const Environment& environment, DiagnosticOutput& output);

  bool isEnabled() const { return mode_ != DiagnosticMode::none; }
  DiagnosticMode mode() const { return mode_; }

  // Writes "BRINDLECAP_<event>" and, when given, a space and the payload; only while enabled.
  void print(std::string_view event, std::string_view payload = {});

 private:
  DiagnosticMode mode_;
  DiagnosticOutput& output_;
};

// "{x, y}" and "{{x, y}, {w, h}}", numbers in their shortest form ("1200", "887.5").
std::string describe(Point point);
std::string describe(const Rect& rect);
// An instant as other programs see it (the command line, notification payloads): seconds since
// 1970 (Unix time), shortest form ("1796643000.5").
std::string describeInstant(TimePoint t);

}  // namespace brindlecap
