#include "ui/DrawnViewWidget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "platform/linux/ScreenCoordinates.h"
#include "ui/QPainterCanvas.h"

namespace brindlecap {

DrawnViewWidget::DrawnViewWidget(DrawnView& view, QWidget* parent) : QWidget(parent), view_(view) {
  view_.attach(this);
}

DrawnViewWidget::~DrawnViewWidget() {
  if (view_.surface() == this) view_.attach(nullptr);
}

Point DrawnViewWidget::toView(const QPointF& local) const {
  return Point{local.x(), height() - local.y()};
}

QRect DrawnViewWidget::toWidget(const Rect& viewRect) const {
  // Outward to whole pixels, so antialiased edges of the marked area are repainted too.
  const double top = height() - viewRect.maxY();
  const int left = static_cast<int>(std::floor(viewRect.minX()));
  const int topRow = static_cast<int>(std::floor(top));
  const int right = static_cast<int>(std::ceil(viewRect.maxX()));
  const int bottom = static_cast<int>(std::ceil(top + viewRect.size.height));
  return QRect(left, topRow, right - left, bottom - topRow);
}

void DrawnViewWidget::setNeedsDisplay() {
  pending_ = QRegion(rect());
  update();
}

void DrawnViewWidget::setNeedsDisplay(const Rect& dirty) {
  const QRect area = toWidget(dirty).intersected(rect());
  if (area.isEmpty()) return;
  pending_ += area;
  update(area);
}

void DrawnViewWidget::displayIfNeeded() {
  if (pending_.isEmpty()) return;
  repaint(pending_);
}

Size DrawnViewWidget::boundsSize() const {
  return Size{double(width()), double(height())};
}

std::optional<Rect> DrawnViewWidget::frameInScreen() const {
  if (!isVisible()) return std::nullopt;
  return toGlobalYUp(QRect(mapToGlobal(QPoint(0, 0)), size()));
}

void DrawnViewWidget::paintEvent(QPaintEvent* event) {
  pending_ = QRegion();
  const QRect area = event->rect();
  QPainter painter(this);
  QPainterCanvas canvas(painter, height());
  view_.draw(canvas,
             Rect(area.x(), height() - area.y() - area.height(), area.width(), area.height()));
}

void DrawnViewWidget::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if ((button != Qt::LeftButton && button != Qt::RightButton) ||
      !view_.hitTest(toView(event->position()))) {
    event->ignore();
    return;
  }
  // A right press is taken too, so that its release comes back here.
  event->accept();
  if (button == Qt::LeftButton) view_.mouseDown();
}

void DrawnViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && view_.hitTest(toView(event->position()))) {
    event->accept();
    view_.rightMouseUp();
    return;
  }
  event->ignore();
}

}  // namespace brindlecap
