#include "menubar/DragLineView.h"

#include <algorithm>
#include <cmath>

namespace brindlecap {

namespace {

constexpr Color kWhite{1, 1, 1, 1};

Rect segmentBox(Point a, Point b) {
  const double minX = std::min(a.x, b.x);
  const double minY = std::min(a.y, b.y);
  return Rect(minX, minY, std::max(a.x, b.x) - minX, std::max(a.y, b.y) - minY);
}

Rect unite(const Rect& a, const Rect& b) {
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  const double minX = std::min(a.minX(), b.minX());
  const double minY = std::min(a.minY(), b.minY());
  return Rect(minX, minY, std::max(a.maxX(), b.maxX()) - minX, std::max(a.maxY(), b.maxY()) - minY);
}

std::optional<Rect> intersect(const Rect& a, const Rect& b) {
  const double minX = std::max(a.minX(), b.minX());
  const double minY = std::max(a.minY(), b.minY());
  const Rect r(minX, minY, std::min(a.maxX(), b.maxX()) - minX,
               std::min(a.maxY(), b.maxY()) - minY);
  if (r.isEmpty()) return std::nullopt;
  return r;
}

Rect circle(Point center, double diameter) {
  return Rect(center.x - diameter / 2, center.y - diameter / 2, diameter, diameter);
}

}  // namespace

Rect DragLineView::coveredArea() const {
  return segmentBox(startPoint, endPoint).insetBy(-kDirtyOutset, -kDirtyOutset);
}

std::optional<Rect> DragLineView::markWithinBounds(Rect area) {
  if (!surface()) return std::nullopt;
  const Size bounds = surface()->boundsSize();
  const std::optional<Rect> dirty = intersect(area, Rect(0, 0, bounds.width, bounds.height));
  if (dirty) surface()->setNeedsDisplay(*dirty);
  return dirty;
}

std::optional<Rect> DragLineView::update(Point start, Point end) {
  const Rect oldArea = hasGeometry ? coveredArea() : Rect();
  startPoint = start;
  endPoint = end;
  hasGeometry = true;
  return markWithinBounds(unite(oldArea, coveredArea()));
}

std::optional<Rect> DragLineView::reset() {
  if (!hasGeometry) return std::nullopt;
  hasGeometry = false;
  return markWithinBounds(coveredArea());
}

void DragLineView::setFunctionalColor(Color color) {
  if (color == functionalColor) return;
  functionalColor = color;
  if (hasGeometry) markWithinBounds(coveredArea());
}

std::vector<GradientStop> DragLineView::colorGradient(double startAlpha, double endAlpha) const {
  return {{0, functionalColor.withAlpha(startAlpha)}, {1, functionalColor.withAlpha(endAlpha)}};
}

const std::vector<GradientStop>& DragLineView::highlightGradient() {
  static const std::vector<GradientStop> gradient{{0, kWhite.withAlpha(0.32)},
                                                  {1, kWhite.withAlpha(0.06)}};
  return gradient;
}

double DragLineView::coreWidth(double length) {
  return std::clamp(7 - length / 70, 2.2, 3.4);
}

void DragLineView::draw(Canvas& canvas, const Rect&) {
  if (!hasGeometry) return;

  const double dx = endPoint.x - startPoint.x;
  const double dy = endPoint.y - startPoint.y;
  const double length = std::max(std::hypot(dx, dy), 1.0);
  if (length > kMinimumTetherLength) {
    const double ux = dx / length;
    const double uy = dy / length;
    // Gaps at both ends keep the line off the icon and out of the marker.
    const Point from{startPoint.x + kStartGap * ux, startPoint.y + kStartGap * uy};
    const Point to{endPoint.x - kEndGap * ux, endPoint.y - kEndGap * uy};
    const double width = coreWidth(length);
    // Faint at the icon, strongest at the pointer.
    canvas.fillStrokedSegment(from, to, width + 3, colorGradient(0.015, 0.075));
    canvas.fillStrokedSegment(from, to, width, colorGradient(0.34, 0.94));
    canvas.fillStrokedSegment(from, to, std::max(width * 0.18, 0.6), highlightGradient());
  }

  const Rect marker = circle(endPoint, kMarkerDiameter);
  canvas.fillEllipse(marker, functionalColor.withAlpha(kMarkerFillAlpha));
  canvas.strokeEllipse(marker, functionalColor, kMarkerLineWidth);
  canvas.fillEllipse(circle(endPoint, kMarkerPointDiameter), kWhite);
}

}  // namespace brindlecap
