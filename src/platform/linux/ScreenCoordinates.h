#pragma once

#include <QGuiApplication>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QScreen>
#include <cmath>

#include "platform/Geometry.h"

namespace brindlecap {

// The one conversion between Qt's global space (y down, origin at the virtual desktop's top-left)
// and the application's (points, y up, origin at the primary screen's bottom-left).

namespace screen_coordinates_detail {
inline QRect primaryGeometry() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->geometry() : QRect();
}
// The primary screen's bottom edge in Qt's space, as a coordinate, not a pixel row.
inline double primaryBottom(const QRect& primary) {
  return primary.y() + primary.height();
}
}  // namespace screen_coordinates_detail

inline Point toGlobalYUp(const QPointF& qt) {
  const QRect primary = screen_coordinates_detail::primaryGeometry();
  return Point{qt.x() - primary.x(), screen_coordinates_detail::primaryBottom(primary) - qt.y()};
}

inline Rect toGlobalYUp(const QRect& qt) {
  const QRect primary = screen_coordinates_detail::primaryGeometry();
  return Rect(qt.x() - primary.x(),
              screen_coordinates_detail::primaryBottom(primary) - qt.y() - qt.height(), qt.width(),
              qt.height());
}

inline QPointF toQt(Point p) {
  const QRect primary = screen_coordinates_detail::primaryGeometry();
  return QPointF(p.x + primary.x(), screen_coordinates_detail::primaryBottom(primary) - p.y);
}

// Rounded to whole pixels, as window geometry needs.
inline QRect toQt(const Rect& r) {
  const QRect primary = screen_coordinates_detail::primaryGeometry();
  const double top = screen_coordinates_detail::primaryBottom(primary) - r.maxY();
  return QRect(static_cast<int>(std::lround(r.minX() + primary.x())),
               static_cast<int>(std::lround(top)), static_cast<int>(std::lround(r.size.width)),
               static_cast<int>(std::lround(r.size.height)));
}

}  // namespace brindlecap
