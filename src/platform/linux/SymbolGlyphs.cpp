#include "platform/linux/SymbolGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace brindlecap {

namespace {

QPen strokePen(const QColor& tint, qreal side) {
  QPen pen(tint, std::max<qreal>(1.2, side * 0.09));
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// A hand from the centre at `degrees` clockwise from twelve o'clock.
QPointF handEnd(QPointF center, qreal length, qreal degrees) {
  const qreal radians = degrees * M_PI / 180.0;
  return center + QPointF(std::sin(radians) * length, -std::cos(radians) * length);
}

}  // namespace

void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& tint) {
  const qreal side = std::min(box.width(), box.height());
  const QRectF square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(strokePen(tint, side));
  painter.setBrush(Qt::NoBrush);

  if (name == QLatin1String("timer")) {
    // A stopwatch: the dial a little low, the crown on top, one hand.
    const qreal r = side * 0.38;
    const QPointF c(square.center().x(), square.center().y() + side * 0.06);
    painter.drawEllipse(c, r, r);
    painter.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() - r - side * 0.1));
    painter.drawLine(QPointF(c.x() - side * 0.1, c.y() - r - side * 0.1),
                     QPointF(c.x() + side * 0.1, c.y() - r - side * 0.1));
    painter.drawLine(c, handEnd(c, r * 0.65, 40));
  } else if (name == QLatin1String("clock")) {
    const qreal r = side * 0.42;
    const QPointF c = square.center();
    painter.drawEllipse(c, r, r);
    painter.drawLine(c, handEnd(c, r * 0.6, 0));
    painter.drawLine(c, handEnd(c, r * 0.45, 110));
  } else if (name == QLatin1String("calendar")) {
    const QRectF page = square.adjusted(side * 0.1, side * 0.16, -side * 0.1, -side * 0.08);
    painter.drawRoundedRect(page, side * 0.1, side * 0.1);
    painter.drawLine(QPointF(page.left(), page.top() + side * 0.22),
                     QPointF(page.right(), page.top() + side * 0.22));
    for (qreal x : {page.left() + page.width() * 0.28, page.right() - page.width() * 0.28})
      painter.drawLine(QPointF(x, page.top() - side * 0.08), QPointF(x, page.top() + side * 0.06));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    const qreal dot = side * 0.07;
    for (int row = 0; row < 2; ++row)
      for (int col = 0; col < 3; ++col)
        painter.drawEllipse(QPointF(page.left() + page.width() * (0.25 + 0.25 * col),
                                    page.top() + side * (0.38 + 0.2 * row)),
                            dot, dot);
  }
  painter.restore();
}

}  // namespace brindlecap
