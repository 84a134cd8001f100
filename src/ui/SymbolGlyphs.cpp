#include "ui/SymbolGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <utility>

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
  } else if (name == QLatin1String("plus")) {
    const qreal arm = side * 0.4;
    const QPointF c = square.center();
    painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
  } else if (name == QLatin1String("arrow.down.circle")) {
    const qreal r = side * 0.44;
    const QPointF c = square.center();
    painter.drawEllipse(c, r, r);
    const QPointF tip(c.x(), c.y() + side * 0.2);
    const qreal head = side * 0.15;
    painter.drawLine(QPointF(c.x(), c.y() - side * 0.22), tip);
    painter.drawLine(QPointF(tip.x() - head, tip.y() - head), tip);
    painter.drawLine(QPointF(tip.x() + head, tip.y() - head), tip);
  } else if (name == QLatin1String("trash")) {
    // A bin: the lid with its handle, a body narrowing to a rounded bottom, two ribs.
    const qreal lidY = square.top() + side * 0.22;
    painter.drawLine(QPointF(square.left() + side * 0.1, lidY),
                     QPointF(square.right() - side * 0.1, lidY));
    QPainterPath handle;
    handle.moveTo(square.center().x() - side * 0.14, lidY);
    handle.lineTo(square.center().x() - side * 0.14, square.top() + side * 0.08);
    handle.lineTo(square.center().x() + side * 0.14, square.top() + side * 0.08);
    handle.lineTo(square.center().x() + side * 0.14, lidY);
    painter.drawPath(handle);
    const qreal bottom = square.bottom() - side * 0.06;
    const qreal corner = side * 0.1;
    QPainterPath body;
    body.moveTo(square.left() + side * 0.2, lidY);
    body.lineTo(square.left() + side * 0.25, bottom - corner);
    body.quadTo(square.left() + side * 0.26, bottom, square.left() + side * 0.26 + corner, bottom);
    body.lineTo(square.right() - side * 0.26 - corner, bottom);
    body.quadTo(square.right() - side * 0.26, bottom, square.right() - side * 0.25,
                bottom - corner);
    body.lineTo(square.right() - side * 0.2, lidY);
    painter.drawPath(body);
    for (qreal dx : {-side * 0.09, side * 0.09})
      painter.drawLine(QPointF(square.center().x() + dx, lidY + side * 0.17),
                       QPointF(square.center().x() + dx, bottom - side * 0.14));
  } else if (name == QLatin1String("chevron.down")) {
    // A small open "v", flatter than tall, so it reads as a disclosure mark.
    const QPointF c = square.center();
    const qreal halfWidth = side * 0.32;
    const qreal halfHeight = side * 0.16;
    QPainterPath chevron;
    chevron.moveTo(c.x() - halfWidth, c.y() - halfHeight);
    chevron.lineTo(c.x(), c.y() + halfHeight);
    chevron.lineTo(c.x() + halfWidth, c.y() - halfHeight);
    painter.drawPath(chevron);
  } else if (name == QLatin1String("cursorarrow.rays")) {
    // The classic pointer, filled, tip up-left, with five short rays fanning out around its tip.
    const QPointF tip(square.left() + side * 0.42, square.top() + side * 0.32);
    const qreal unit = side * 0.74;
    constexpr QPointF kOutline[] = {{0, 0.74},    {0.18, 0.58}, {0.3, 0.82},
                                    {0.43, 0.76}, {0.31, 0.53}, {0.54, 0.53}};
    QPainterPath arrow;
    arrow.moveTo(tip);
    for (const QPointF& point : kOutline) arrow.lineTo(tip + point * unit);
    arrow.closeSubpath();
    painter.setBrush(tint);
    painter.drawPath(arrow);
    for (qreal degrees : {-30.0, -75.0, -120.0, -165.0, 150.0}) {
      const qreal radians = degrees * M_PI / 180.0;
      const QPointF direction(std::cos(radians), std::sin(radians));
      painter.drawLine(tip + direction * side * 0.16, tip + direction * side * 0.28);
    }
  } else if (name == QLatin1String("menubar.rectangle")) {
    // A landscape screen whose top strip, the menu bar, is filled.
    const QRectF screen = square.adjusted(side * 0.06, side * 0.18, -side * 0.06, -side * 0.18);
    const qreal corner = side * 0.09;
    QPainterPath outline;
    outline.addRoundedRect(screen, corner, corner);
    QPainterPath strip;
    strip.addRect(QRectF(screen.left(), screen.top(), screen.width(), side * 0.16));
    painter.fillPath(outline.intersected(strip), tint);
    painter.drawPath(outline);
  } else if (name == QLatin1String("command")) {
    // The looped square: each side runs on into a three-quarter loop at both of its ends.
    const QPointF c = square.center();
    const qreal a = side * 0.13;  // half the inner square
    const qreal r = side * 0.14;  // loop radius
    QPainterPath symbol;
    for (qreal x : {-a, a}) {
      symbol.moveTo(c + QPointF(x, -a - r));
      symbol.lineTo(c + QPointF(x, a + r));
    }
    for (qreal y : {-a, a}) {
      symbol.moveTo(c + QPointF(-a - r, y));
      symbol.lineTo(c + QPointF(a + r, y));
    }
    // Loop centres and where each loop starts (counter-clockwise, in Qt's degrees).
    const std::pair<QPointF, qreal> loops[] = {
        {{-1, -1}, 0}, {{-1, 1}, 90}, {{1, 1}, 180}, {{1, -1}, 270}};
    for (const auto& [corner, startDegrees] : loops) {
      const QPointF centre = c + corner * (a + r);
      const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
      symbol.arcMoveTo(circle, startDegrees);
      symbol.arcTo(circle, startDegrees, 270);
    }
    painter.drawPath(symbol);
  }
  painter.restore();
}

}  // namespace brindlecap
