#include "menubar/StatusItemContentView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "menubar/DotRingProgress.h"

namespace brindlecap {

namespace {

constexpr Color kWhite{1, 1, 1, 1};
constexpr int kBottomDot = 6;

Rect circle(Point center, double radius) {
  return Rect(center.x - radius, center.y - radius, 2 * radius, 2 * radius);
}

std::size_t codePointCount(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char byte : text) {
    if ((byte & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

StatusItemContentView::Layout StatusItemContentView::layout(Size bounds, double pixelScale) {
  const double ps = pixelScale > 0 ? pixelScale : 1;
  Layout l;
  l.pixelScale = ps;
  l.scale = std::max(std::min(bounds.width, bounds.height), 0.0) / kDesignHeight;
  // The middle of the bounds, moved onto a pixel corner: the ring is symmetric about it.
  l.center = Point{std::round(bounds.width * ps / 2) / ps, std::round(bounds.height * ps / 2) / ps};
  l.showsCountdown = kLargeTextSize * l.scale * ps >= kMinCountdownPixels;
  return l;
}

Rect StatusItemContentView::dotRect(const Layout& l, int index) {
  const double angle = std::numbers::pi / 2 - index * std::numbers::pi / 6;
  const double radius = kDotRadius * l.scale;
  return circle(Point{l.center.x + std::cos(angle) * kRingRadius * l.scale,
                      l.center.y + std::sin(angle) * kRingRadius * l.scale},
                radius);
}

Font StatusItemContentView::countdownFont(std::string_view text) {
  return Font{.size = codePointCount(text) < 3 ? kLargeTextSize : kSmallTextSize,
              .bold = true,
              .monospacedDigits = true};
}

void StatusItemContentView::draw(Canvas& canvas, const Rect&) {
  draw(canvas, surface() ? surface()->boundsSize() : Size{kIconSide, kIconSide});
}

void StatusItemContentView::draw(Canvas& canvas, Size bounds) {
  ++drawCount;
  render(canvas, bounds);
}

void StatusItemContentView::render(Canvas& canvas, Size bounds) const {
  const SystemColors& colors = SystemColors::forAppearance(appearance);
  const Layout l = layout(bounds, canvas.pixelScale());

  if (progress) {
    drawProgressRing(canvas, l, *progress, colors);
  } else {
    drawPlainRing(canvas, l, colors);
  }

  if (isDragging) {
    drawDraggingMark(canvas, l);
  } else if (countdownText && l.showsCountdown) {
    drawCountdown(canvas, *countdownText, l, colors);
  }
}

void StatusItemContentView::drawPlainRing(Canvas& canvas, const Layout& l,
                                          const SystemColors& colors) const {
  for (int i = 0; i < kDotCount; ++i) {
    const Color color = i == kBottomDot ? functionalColor : colors.label.withAlpha(1);
    canvas.fillEllipse(dotRect(l, i), color);
  }
}

void StatusItemContentView::drawProgressRing(Canvas& canvas, const Layout& l, double value,
                                             const SystemColors& colors) const {
  const DotRingProgress ring(value, kDotCount);
  const Color track = colors.label.withAlpha(kTrackAlpha);
  const Color lit = colors.label.withAlpha(1);
  for (int i = 0; i < kDotCount; ++i) {
    const Rect dot = dotRect(l, i);
    canvas.fillEllipse(dot, track);
    if (i < ring.fullDotCount) {
      canvas.fillEllipse(dot, lit);
    } else if (ring.partialDotIndex == i && ring.partialFraction > 0) {
      if (ring.partialFraction >= 1) {
        canvas.fillEllipse(dot, lit);
      } else {
        // Radius by the square root, so the lit area grows in proportion to the fraction.
        const Point dotCenter{dot.midX(), dot.midY()};
        canvas.fillEllipse(circle(dotCenter, std::sqrt(ring.partialFraction) * dot.size.width / 2),
                           lit);
      }
    }
  }
}

void StatusItemContentView::drawCountdown(Canvas& canvas, const std::string& text, const Layout& l,
                                          const SystemColors& colors) const {
  Font font = countdownFont(text);
  font.size *= l.scale;
  Size size = canvas.measureText(text, font);
  // Text wider than the room inside the ring, less a pixel on each side, narrows rather than
  // running into the dots.
  const double room = 2 * (kRingRadius - kDotRadius) * l.scale - 2 / l.pixelScale;
  if (size.width > room) {
    font.size *= room / size.width;
    size = canvas.measureText(text, font);
  }
  // The glyphs sit low in their line box; the nudge centres them optically.
  const Point origin{l.center.x - size.width / 2,
                     l.center.y - size.height / 2 + kTextNudgeUp * l.scale};
  canvas.drawText(text, origin, font, colors.label);
}

void StatusItemContentView::drawDraggingMark(Canvas& canvas, const Layout& l) const {
  canvas.fillEllipse(circle(l.center, kDragMarkDiameter * l.scale / 2), functionalColor);
  canvas.fillEllipse(circle(l.center, kDragPointDiameter * l.scale / 2), kWhite);
}

bool StatusItemContentView::hitTest(Point point) const {
  if (!onMouseDown && !onRightMouseUp) return false;
  if (!surface()) return false;
  const Size bounds = surface()->boundsSize();
  return Rect(0, 0, bounds.width, bounds.height).contains(point);
}

void StatusItemContentView::mouseDown() {
  if (onMouseDown) onMouseDown(*this);
}

void StatusItemContentView::rightMouseUp() {
  if (onRightMouseUp) onRightMouseUp(*this);
}

}  // namespace brindlecap
