#include "menubar/StatusItemContentView.h"

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

Point StatusItemContentView::iconCenter(Size bounds) {
  const double originX = (bounds.width - kIconSide) / 2;
  const double originY = (bounds.height - kIconSide) / 2;
  return Point{originX + kIconSide / 2, originY + kIconSide / 2};
}

Rect StatusItemContentView::dotRect(Point center, int index) {
  const double angle = std::numbers::pi / 2 - index * std::numbers::pi / 6;
  return Rect(center.x + std::cos(angle) * kRingRadius - kDotRadius,
              center.y + std::sin(angle) * kRingRadius - kDotRadius, 2 * kDotRadius,
              2 * kDotRadius);
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
  const SystemColors& colors = SystemColors::forAppearance(appearance);
  const Point center = iconCenter(bounds);

  if (progress) {
    drawProgressRing(canvas, center, *progress, colors);
  } else {
    drawPlainRing(canvas, center, colors);
  }

  if (isDragging) {
    drawDraggingMark(canvas, center);
  } else if (countdownText) {
    drawCountdown(canvas, *countdownText, center, colors);
  }
}

void StatusItemContentView::drawPlainRing(Canvas& canvas, Point center,
                                          const SystemColors& colors) const {
  for (int i = 0; i < kDotCount; ++i) {
    const Color color = i == kBottomDot ? functionalColor : colors.label.withAlpha(1);
    canvas.fillEllipse(dotRect(center, i), color);
  }
}

void StatusItemContentView::drawProgressRing(Canvas& canvas, Point center, double value,
                                             const SystemColors& colors) const {
  const DotRingProgress ring(value, kDotCount);
  const Color track = colors.label.withAlpha(kTrackAlpha);
  const Color lit = colors.label.withAlpha(1);
  for (int i = 0; i < kDotCount; ++i) {
    const Rect dot = dotRect(center, i);
    canvas.fillEllipse(dot, track);
    if (i < ring.fullDotCount) {
      canvas.fillEllipse(dot, lit);
    } else if (ring.partialDotIndex == i && ring.partialFraction > 0) {
      if (ring.partialFraction >= 1) {
        canvas.fillEllipse(dot, lit);
      } else {
        // Radius by the square root, so the lit area grows in proportion to the fraction.
        const Point dotCenter{dot.midX(), dot.midY()};
        canvas.fillEllipse(circle(dotCenter, std::sqrt(ring.partialFraction) * kDotRadius), lit);
      }
    }
  }
}

void StatusItemContentView::drawCountdown(Canvas& canvas, const std::string& text, Point center,
                                          const SystemColors& colors) const {
  const Font font = countdownFont(text);
  const Size size = canvas.measureText(text, font);
  // The glyphs sit low in their line box; the nudge centres them optically.
  const Point origin{center.x - size.width / 2, center.y - size.height / 2 + kTextNudgeUp};
  canvas.drawText(text, origin, font, colors.label);
}

void StatusItemContentView::drawDraggingMark(Canvas& canvas, Point center) const {
  canvas.fillEllipse(circle(center, kDragMarkDiameter / 2), functionalColor);
  canvas.fillEllipse(circle(center, kDragPointDiameter / 2), kWhite);
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
