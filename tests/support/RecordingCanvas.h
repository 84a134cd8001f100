#pragma once

#include <algorithm>
#include <iterator>
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
  Rect rect;   // ellipse bounds, rounded rectangle
  Point from;  // segment start, text origin
  Point to;    // segment end
  Color color;
  double width = 0;  // segment width
  std::string text;
  Font font;
};

// A canvas that keeps every call for assertions. Text measures deterministically:
// width 0.6 × size per code point, height 1.2 × size.
class RecordingCanvas : public Canvas {
 public:
  using Kind = CanvasCall::Kind;
  std::vector<CanvasCall> calls;

  std::vector<CanvasCall> callsOf(Kind kind) const {
    std::vector<CanvasCall> matching;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(matching),
                 [kind](const CanvasCall& call) { return call.kind == kind; });
    return matching;
  }
  static Size textSize(std::string_view text, const Font& font) {
    const auto codePoints = std::count_if(text.begin(), text.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return Size{0.6 * font.size * static_cast<double>(codePoints), 1.2 * font.size};
  }

  void fillEllipse(const Rect& r, const Color& c) override { add(Kind::fillEllipse, r, c); }
  void strokeEllipse(const Rect& r, const Color& c, double) override {
    add(Kind::strokeEllipse, r, c);
  }
  void fillRoundedRect(const Rect& r, double, const Color& c) override {
    add(Kind::fillRoundedRect, r, c);
  }
  void strokeRoundedRect(const Rect& r, double, const Color& c, double) override {
    add(Kind::strokeRoundedRect, r, c);
  }
  void fillStrokedSegment(Point from, Point to, double width,
                          const std::vector<GradientStop>&) override {
    add(Kind::fillStrokedSegment, {}, {}, from, to).width = width;
  }
  Size measureText(std::string_view text, const Font& font) override {
    return textSize(text, font);
  }
  void drawText(std::string_view text, Point origin, const Font& font,
                const Color& color) override {
    CanvasCall& call = add(Kind::drawText, {}, color, origin);
    call.text = text;
    call.font = font;
  }

 private:
  CanvasCall& add(Kind kind, Rect rect, Color color, Point from = {}, Point to = {}) {
    CanvasCall& call = calls.emplace_back();
    call.kind = kind;
    call.rect = rect;
    call.color = color;
    call.from = from;
    call.to = to;
    return call;
  }
};

// A host for a drawn view that records what the view asks of it.
class RecordingSurface : public ViewSurface {
 public:
  explicit RecordingSurface(Size bounds = {}) : bounds(bounds) {}

  Size bounds;
  std::optional<Rect> frame;
  int wholeRedisplays = 0;
  std::vector<Rect> dirtyRects;

  void setNeedsDisplay() override { ++wholeRedisplays; }
  void setNeedsDisplay(const Rect& dirty) override { dirtyRects.push_back(dirty); }
  void displayIfNeeded() override {}
  Size boundsSize() const override { return bounds; }
  std::optional<Rect> frameInScreen() const override { return frame; }
};

}  // namespace brindlecap::testing
