#include "menubar/MenuBarPlacementResolver.h"

#include <algorithm>

namespace brindlecap::MenuBarPlacementResolver {

MenuBarFallbackPlacement hangingPlacement(std::optional<Rect> leftArea, Rect rightArea,
                                          Rect visibleFrame) {
  constexpr double half = kPanelSide / 2;
  // Areas that touch or overlap leave no housing between them to centre on.
  const double centerX = leftArea && leftArea->maxX() < rightArea.minX()
                             ? (leftArea->maxX() + rightArea.minX()) / 2
                             : rightArea.minX() + half;
  // The outer max() keeps the bounds ordered on a frame narrower than the panel.
  const double x = std::min(std::max(centerX - half, visibleFrame.minX()),
                            std::max(visibleFrame.minX(), visibleFrame.maxX() - kPanelSide));
  const double y = std::max(rightArea.minY() - kPanelSide, visibleFrame.minY());
  return MenuBarFallbackPlacement{Rect(x, y, kPanelSide, kPanelSide), true};
}

bool isStatusItemObscured(const Rect& statusRect, const std::optional<Rect>& rightArea) {
  if (!rightArea) return false;
  const Rect usable = rightArea->insetBy(2, 0);
  return !(statusRect.minX() >= usable.minX() && statusRect.maxX() <= usable.maxX() &&
           statusRect.minY() >= usable.minY() && statusRect.maxY() <= usable.maxY());
}

}  // namespace brindlecap::MenuBarPlacementResolver
