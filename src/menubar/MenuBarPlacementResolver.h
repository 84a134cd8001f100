#pragma once

#include <optional>

#include "platform/Geometry.h"

namespace brindlecap {

// Where the stand-in for a hidden top-bar icon goes, in global screen points (y up).
struct MenuBarFallbackPlacement {
  Rect frame;
  bool isBelowMenuBar = false;  // hangs below the top bar: draws its own background, casts a shadow
  friend bool operator==(const MenuBarFallbackPlacement&,
                         const MenuBarFallbackPlacement&) = default;
};

namespace MenuBarPlacementResolver {

inline constexpr double kPanelSide = 26;

// A 26-point square hanging from the lower edge of the top-bar strip, centred on the camera
// housing between `leftArea` and `rightArea` (or just right of the right area's left edge), kept
// inside `visibleFrame` horizontally and not below it.
MenuBarFallbackPlacement hangingPlacement(std::optional<Rect> leftArea, Rect rightArea,
                                          Rect visibleFrame);

// Whether a status item at `statusRect` is out of reach: not wholly inside `rightArea` (the strip
// right of a camera housing) narrowed by 2 points on each side. Never without such a strip.
bool isStatusItemObscured(const Rect& statusRect, const std::optional<Rect>& rightArea);

}  // namespace MenuBarPlacementResolver

}  // namespace brindlecap
