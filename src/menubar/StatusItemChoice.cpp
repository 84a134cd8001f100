#include "menubar/StatusItemChoice.h"

#include <algorithm>

namespace brindlecap::StatusItemChoice {

namespace {
// The pointer stops at the screen edge; the widest corridor needs this much room to the right.
constexpr double kGapToRightEdge = 200;
}  // namespace

StatusItemKind choose(const StatusItemHosts& hosts, std::optional<std::string_view> forced) {
  if (forced == name(StatusItemKind::trayIcon) && hosts.trayIcon) return StatusItemKind::trayIcon;
  if (forced == name(StatusItemKind::notifierItem) && hosts.notifierWatcher)
    return StatusItemKind::notifierItem;
  if (forced == name(StatusItemKind::none)) return StatusItemKind::none;
  // A proxy turns a press into an instant click, so the drag could never start through it.
  if (hosts.trayIcon && !hosts.trayIsProxy) return StatusItemKind::trayIcon;
  if (hosts.notifierWatcher && hosts.notifierHost) return StatusItemKind::notifierItem;
  return StatusItemKind::none;
}

std::string_view name(StatusItemKind kind) {
  switch (kind) {
    case StatusItemKind::trayIcon:
      return "xembed";
    case StatusItemKind::notifierItem:
      return "sni";
    case StatusItemKind::none:
      break;
  }
  return "panel";
}

MenuBarFallbackPlacement fallbackPlacement(const Rect& visibleFrame) {
  const double side = MenuBarPlacementResolver::kPanelSide;
  const double x = std::max(visibleFrame.minX(), visibleFrame.maxX() - kGapToRightEdge - side);
  return {Rect(x, visibleFrame.maxY() - side, side, side), true};
}

}  // namespace brindlecap::StatusItemChoice
