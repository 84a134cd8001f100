#include "support/RecordingCanvas.h"

#include <algorithm>
#include <iterator>

namespace brindlecap::testing {

std::vector<CanvasCall> RecordingCanvas::callsOf(CanvasCall::Kind kind) const {
  std::vector<CanvasCall> matching;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(matching),
               [kind](const CanvasCall& call) { return call.kind == kind; });
  return matching;
}

Size RecordingCanvas::textSize(std::string_view text, const Font& font) {
  const auto codePoints = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  return Size{0.6 * font.size * static_cast<double>(codePoints), 1.2 * font.size};
}

void RecordingCanvas::fillEllipse(const Rect& bounds, const Color& color) {
  CanvasCall& call = record(CanvasCall::Kind::fillEllipse);
  call.rect = bounds;
  call.color = color;
}

void RecordingCanvas::strokeEllipse(const Rect& bounds, const Color& color, double lineWidth) {
  CanvasCall& call = record(CanvasCall::Kind::strokeEllipse);
  call.rect = bounds;
  call.color = color;
  call.width = lineWidth;
}

void RecordingCanvas::fillRoundedRect(const Rect& rect, double radius, const Color& color) {
  CanvasCall& call = record(CanvasCall::Kind::fillRoundedRect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
}

void RecordingCanvas::strokeRoundedRect(const Rect& rect, double radius, const Color& color,
                                        double lineWidth) {
  CanvasCall& call = record(CanvasCall::Kind::strokeRoundedRect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
  call.width = lineWidth;
}

void RecordingCanvas::fillStrokedSegment(Point from, Point to, double width,
                                         const std::vector<GradientStop>& gradient) {
  CanvasCall& call = record(CanvasCall::Kind::fillStrokedSegment);
  call.from = from;
  call.to = to;
  call.width = width;
  call.gradient = gradient;
}

Size RecordingCanvas::measureText(std::string_view text, const Font& font) {
  return textSize(text, font);
}

void RecordingCanvas::drawText(std::string_view text, Point origin, const Font& font,
                               const Color& color) {
  CanvasCall& call = record(CanvasCall::Kind::drawText);
  call.from = origin;
  call.color = color;
  call.text = std::string(text);
  call.font = font;
}

CanvasCall& RecordingCanvas::record(CanvasCall::Kind kind) {
  CanvasCall& call = calls.emplace_back();
  call.kind = kind;
  return call;
}

}  // namespace brindlecap::testing
