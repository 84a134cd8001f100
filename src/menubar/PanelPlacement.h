#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Screens.h"

namespace brindlecap::PanelPlacement {

// Geometry of the panels under the top bar, in global points (y up). Pure functions.

inline constexpr double kFloatingPanelMargin = 12;  // kept from the visible frame's edges
inline constexpr double kShortcutPanelDrop = 54;    // below the top of the visible frame
inline constexpr double kPopoverGap = 4;            // between the top bar and a popover

// A floating panel of `size` over `source`: centred on it, top edges aligned, kept inside
// `visibleFrame` by the margin (the left and bottom edges win on a frame too small for it).
Point originOver(const Rect& source, Size size, const Rect& visibleFrame);
// A floating panel of `size` centred on the pointer's x, hanging below the top of the visible
// frame.
Point originNearPointer(Point pointer, Size size, const Rect& visibleFrame);
// Where a floating panel goes: over `source` on the screen holding its centre, or else near the
// pointer on the screen holding the pointer, each falling back to the main (first) screen;
// nothing without screens.
std::optional<Point> floatingPanelOrigin(Size size, const std::optional<Rect>& source,
                                         Point pointer, const std::vector<ScreenInfo>& screens);

// The lower edge of the top bar on `screen`: the strip beside a camera housing, else the top of
// the visible frame.
double topBarLowerEdge(const ScreenInfo& screen);
// How far a popover window at `window` must move down to keep its top the gap below
// `topBarLowerEdge`; 0 when it already does.
double popoverDrop(const Rect& window, double topBarLowerEdge);

// The timer list's height for `activeCount` timers: 280 empty, else 60 per timer + 90, within
// [180, 420].
double listHeight(std::size_t activeCount);

}  // namespace brindlecap::PanelPlacement
