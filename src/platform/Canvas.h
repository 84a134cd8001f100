#pragma once

#include <string_view>
#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"

namespace brindlecap {

struct GradientStop {
  double location = 0;  // 0 at the gradient's start, 1 at its end
  Color color;
};

struct Font {
  double size = 13;  // points
  bool bold = false;
  bool monospacedDigits = false;
  friend bool operator==(const Font&, const Font&) = default;
};

// A drawing surface in a view's own coordinates: points, origin at the bottom-left, y up.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // Device pixels per point, for drawings that keep small shapes on the pixel grid.
  virtual double pixelScale() const { return 1; }
  virtual void fillEllipse(const Rect& bounds, const Color& color) = 0;
  virtual void strokeEllipse(const Rect& bounds, const Color& color, double lineWidth) = 0;
  virtual void fillRoundedRect(const Rect& rect, double radius, const Color& color) = 0;
  virtual void strokeRoundedRect(const Rect& rect, double radius, const Color& color,
                                 double lineWidth) = 0;
  // Fills the outline of a butt-capped stroke of `width` from `from` to `to` with a linear
  // gradient that runs from `from` (location 0) to `to` (location 1).
  virtual void fillStrokedSegment(Point from, Point to, double width,
                                  const std::vector<GradientStop>& gradient) = 0;
  // The size the text takes in `font` (width, line height).
  virtual Size measureText(std::string_view text, const Font& font) = 0;
  // Draws the text upright with its measured box's bottom-left corner at `origin`.
  virtual void drawText(std::string_view text, Point origin, const Font& font,
                        const Color& color) = 0;
};

}  // namespace brindlecap
