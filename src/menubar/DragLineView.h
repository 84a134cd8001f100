#pragma once

#include <optional>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/SystemColors.h"
#include "platform/ViewSurface.h"

namespace brindlecap {

// The tether from the top-bar icon to the pointer during a drag, drawn on a transparent view
// that covers the screen. Points are in the view's coordinates (y up), lengths in points.
class DragLineView : public DrawnView {
 public:
  // How far the glow and the end marker reach beyond the segment's bounding box.
  static constexpr double kDirtyOutset = 8.25;
  // Tethers this long or shorter show only the end marker.
  static constexpr double kMinimumTetherLength = 10.35;
  static constexpr double kStartGap = 4.1;
  static constexpr double kEndGap = 6.25;
  static constexpr double kMarkerDiameter = 11;
  static constexpr double kMarkerLineWidth = 1.5;
  static constexpr double kMarkerFillAlpha = 0.16;
  static constexpr double kMarkerPointDiameter = 3.5;

  Point startPoint;  // the icon end
  Point endPoint;    // the pointer end
  bool hasGeometry = false;
  Color functionalColor = SystemColors::forAppearance(Appearance::light).purple;

  // Moves the tether and marks for redrawing only the area the old and new tethers cover,
  // within the bounds. Returns that area; nothing when nothing was marked.
  std::optional<Rect> update(Point start, Point end);
  // Clears the tether, marking the area it covered. Returns that area as update() does.
  std::optional<Rect> reset();
  // Changes the accent, redrawing the tether only when the colour really changes.
  void setFunctionalColor(Color color);

  // The accent from `startAlpha` (location 0) to `endAlpha` (location 1).
  std::vector<GradientStop> colorGradient(double startAlpha, double endAlpha) const;
  // The white sheen along the tether's middle.
  static const std::vector<GradientStop>& highlightGradient();
  // The core stroke's width for a tether of `length`: 3.4 up to 252, thinning to 2.2 at 336.
  static double coreWidth(double length);

  void draw(Canvas& canvas, const Rect& dirty) override;

 private:
  Rect coveredArea() const;
  std::optional<Rect> markWithinBounds(Rect area);
};

}  // namespace brindlecap
