#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/ViewSurface.h"

namespace brindlecap::testing {

// One drawing call as a RecordingCanvas saw it; fields a call does not use keep their defaults.
struct CanvasCall {
  enum class Kind {
    fillEllipse,
    strokeEllipse,
    fillRoundedRect,
    strokeRoundedRect,
    fillStrokedSegment,
    drawText,
  };
  Kind kind = Kind::fillEllipse;
  Rect rect;          // ellipse bounds, rounded rectangle
  double radius = 0;  // rounded rectangle's corner radius
  Point from;         // segment start, text origin
  Point to;           // segment end
  Color color;
  double width = 0;  // stroke line width, segment width
  std::vector<GradientStop> gradient;
  std::string text;
  Font font;
};

// A canvas that keeps every call for assertions. Text measures deterministically:
// width 0.6 × size per code point, height 1.2 × size.
class RecordingCanvas : public Canvas {
 public:
  std::vector<CanvasCall> calls;

  std::vector<CanvasCall> callsOf(CanvasCall::Kind kind) const;
  static Size textSize(std::string_view text, const Font& font);

  void fillEllipse(const Rect& bounds, const Color& color) override;
  void strokeEllipse(const Rect& bounds, const Color& color, double lineWidth) override;
  void fillRoundedRect(const Rect& rect, double radius, const Color& color) override;
  void strokeRoundedRect(const Rect& rect, double radius, const Color& color,
                         double lineWidth) override;
  void fillStrokedSegment(Point from, Point to, double width,
                          const std::vector<GradientStop>& gradient) override;
  Size measureText(std::string_view text, const Font& font) override;
  void drawText(std::string_view text, Point origin, const Font& font, const Color& color) override;

 private:
  CanvasCall& record(CanvasCall::Kind kind);
};

// A host for a drawn view that records what the view asks of it.
class RecordingSurface : public ViewSurface {
 public:
  explicit RecordingSurface(Size bounds = {}) : bounds(bounds) {}

  Size bounds;
  std::optional<Rect> frame;
  int wholeRedisplays = 0;
  std::vector<Rect> dirtyRects;
  int immediateDisplays = 0;

  void setNeedsDisplay() override { ++wholeRedisplays; }
  void setNeedsDisplay(const Rect& dirty) override { dirtyRects.push_back(dirty); }
  void displayIfNeeded() override { ++immediateDisplays; }
  Size boundsSize() const override { return bounds; }
  std::optional<Rect> frameInScreen() const override { return frame; }
};

}  // namespace brindlecap::testing
