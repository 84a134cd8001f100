#include "menubar/PanelPlacement.h"

#include <algorithm>

namespace brindlecap::PanelPlacement {

Point originOver(const Rect& source, Size size, const Rect& visibleFrame) {
  const double m = kFloatingPanelMargin;
  const Rect& v = visibleFrame;
  // The outer max() keeps the bounds ordered when the panel does not fit.
  const double x = std::min(std::max(source.midX() - size.width / 2, v.minX() + m),
                            std::max(v.minX() + m, v.maxX() - m - size.width));
  const double y = std::min(std::max(source.maxY() - size.height, v.minY() + m),
                            std::max(v.minY() + m, v.maxY() - m - size.height));
  return Point{x, y};
}

Point originNearPointer(Point pointer, Size size, const Rect& visibleFrame) {
  const double m = kFloatingPanelMargin;
  const double x = std::min(std::max(pointer.x - size.width / 2, visibleFrame.minX() + m),
                            visibleFrame.maxX() - size.width - m);
  return Point{x, visibleFrame.maxY() - size.height - kShortcutPanelDrop};
}

std::optional<Point> floatingPanelOrigin(Size size, const std::optional<Rect>& source,
                                         Point pointer, const std::vector<ScreenInfo>& screens) {
  if (screens.empty()) return std::nullopt;
  auto screenFor = [&screens](Point p) {
    return screenContaining(screens, p).value_or(screens.front());
  };
  if (source) {
    return originOver(*source, size, screenFor(Point{source->midX(), source->midY()}).visibleFrame);
  }
  return originNearPointer(pointer, size, screenFor(pointer).visibleFrame);
}

double topBarLowerEdge(const ScreenInfo& screen) {
  return screen.auxiliaryTopRightArea ? screen.auxiliaryTopRightArea->minY()
                                      : screen.visibleFrame.maxY();
}

double popoverDrop(const Rect& window, double topBarLowerEdge) {
  return std::max(window.maxY() - (topBarLowerEdge - kPopoverGap), 0.0);
}

double listHeight(std::size_t activeCount) {
  if (activeCount == 0) return 280;
  return std::clamp(60.0 * static_cast<double>(activeCount) + 90, 180.0, 420.0);
}

}  // namespace brindlecap::PanelPlacement
