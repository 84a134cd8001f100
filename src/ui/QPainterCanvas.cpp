#include "ui/QPainterCanvas.h"

#include "ui/QtColor.h"

#include <QColor>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPen>
#include <QString>
#include <algorithm>

namespace brindlecap {

namespace {

QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isAsciiDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}

// One piece of laid-out text: its characters and the x offset and width of its cell.
struct TextPiece {
  QString text;
  double x;
  double cellWidth;
  double advance;
};

// Qt 6.4 cannot ask the font for tabular figures, so digits are set one by one in cells as wide
// as the widest digit: a ticking countdown then keeps its width and its place.
std::vector<TextPiece> layOut(const QString& text, const QFontMetricsF& metrics,
                              bool monospacedDigits) {
  std::vector<TextPiece> pieces;
  if (!monospacedDigits) {
    const double advance = metrics.horizontalAdvance(text);
    pieces.push_back({text, 0, advance, advance});
    return pieces;
  }
  double digitCell = 0;
  for (char digit = '0'; digit <= '9'; ++digit) {
    digitCell = std::max(digitCell, metrics.horizontalAdvance(QChar(digit)));
  }
  double x = 0;
  for (char32_t codePoint : text.toUcs4()) {
    const QString piece = QString::fromUcs4(&codePoint, 1);
    const double advance = metrics.horizontalAdvance(piece);
    const double cell = isAsciiDigit(codePoint) ? digitCell : advance;
    pieces.push_back({piece, x, cell, advance});
    x += cell;
  }
  return pieces;
}

double totalWidth(const std::vector<TextPiece>& pieces) {
  return pieces.empty() ? 0 : pieces.back().x + pieces.back().cellWidth;
}

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter, double viewHeight)
    : painter_(painter), viewHeight_(viewHeight) {
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

QPointF QPainterCanvas::toPainter(Point p) const {
  return QPointF(p.x, viewHeight_ - p.y);
}

QRectF QPainterCanvas::toPainter(const Rect& r) const {
  return QRectF(r.minX(), viewHeight_ - r.maxY(), r.size.width, r.size.height);
}

double QPainterCanvas::pixelScale() const {
  const QPaintDevice* device = painter_.device();
  return device ? device->devicePixelRatioF() : 1.0;
}

void QPainterCanvas::fillEllipse(const Rect& bounds, const Color& color) {
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(toQColor(color));
  painter_.drawEllipse(toPainter(bounds));
}

void QPainterCanvas::strokeEllipse(const Rect& bounds, const Color& color, double lineWidth) {
  painter_.setPen(QPen(toQColor(color), lineWidth));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawEllipse(toPainter(bounds));
}

void QPainterCanvas::fillRoundedRect(const Rect& rect, double radius, const Color& color) {
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(toQColor(color));
  painter_.drawRoundedRect(toPainter(rect), radius, radius);
}

void QPainterCanvas::strokeRoundedRect(const Rect& rect, double radius, const Color& color,
                                       double lineWidth) {
  painter_.setPen(QPen(toQColor(color), lineWidth));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRoundedRect(toPainter(rect), radius, radius);
}

void QPainterCanvas::fillStrokedSegment(Point from, Point to, double width,
                                        const std::vector<GradientStop>& gradient) {
  const QPointF start = toPainter(from);
  const QPointF end = toPainter(to);
  QPainterPath line(start);
  line.lineTo(end);
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setCapStyle(Qt::FlatCap);
  QLinearGradient fill(start, end);
  for (const GradientStop& stop : gradient) {
    fill.setColorAt(std::clamp(stop.location, 0.0, 1.0), toQColor(stop.color));
  }
  // The outline overlaps itself at joins; the stroker's winding fill keeps it solid.
  painter_.fillPath(stroker.createStroke(line), QBrush(fill));
}

QFont QPainterCanvas::qtFont(const Font& font) const {
  QFont qt;  // the application's font
  // Point sizes count as logical pixels, whatever the device's dots per inch.
  const QPaintDevice* device = painter_.device();
  const double dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 72.0;
  qt.setPointSizeF(font.size * 72.0 / dpi);
  qt.setBold(font.bold);
  return qt;
}

Size QPainterCanvas::measureText(std::string_view text, const Font& font) {
  const QFontMetricsF metrics(qtFont(font), painter_.device());
  return Size{totalWidth(layOut(toQString(text), metrics, font.monospacedDigits)),
              metrics.height()};
}

void QPainterCanvas::drawText(std::string_view text, Point origin, const Font& font,
                              const Color& color) {
  const QFont qt = qtFont(font);
  const QFontMetricsF metrics(qt, painter_.device());
  const QPointF topLeft = toPainter(Point{origin.x, origin.y + metrics.height()});
  const double baseline = topLeft.y() + metrics.ascent();
  painter_.setFont(qt);
  painter_.setPen(toQColor(color));
  for (const TextPiece& piece : layOut(toQString(text), metrics, font.monospacedDigits)) {
    const double x = topLeft.x() + piece.x + (piece.cellWidth - piece.advance) / 2;
    painter_.drawText(QPointF(x, baseline), piece.text);
  }
}

}  // namespace brindlecap
