#pragma once

#include <optional>
#include <string_view>

#include "menubar/MenuBarPlacementResolver.h"
#include "platform/TopBarWindows.h"

namespace brindlecap {

namespace StatusItemChoice {

// The environment variable that overrides the choice: "xembed", "sni" or "panel".
inline constexpr const char* kOverrideVariable = "BRINDLECAP_TRAY";

// Where the icon goes: a real tray (it hands over press, move and release, so the drag works as
// is), else a notifier item where a host shows them, else nowhere (`none`: the fallback panel).
// `forced` (the variable's value) wins wherever its host exists at all; other values are ignored.
StatusItemKind choose(const StatusItemHosts& hosts, std::optional<std::string_view> forced);

// The name diagnostics and the variable use for a kind.
std::string_view name(StatusItemKind kind);

// The fallback panel's place: a 26-point square hanging from the top of `visibleFrame`, 200
// points left of its right edge, so that a drag still has room to move right into every range.
MenuBarFallbackPlacement fallbackPlacement(const Rect& visibleFrame);

}  // namespace StatusItemChoice

}  // namespace brindlecap
