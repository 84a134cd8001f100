#include "ui/PanelStyle.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include "ui/QtColor.h"

namespace brindlecap {

namespace {

constexpr qreal kReferenceFontSize = 13;

}  // namespace

qreal fontSize(const QFont& font) {
  return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
}

void setFontSize(QFont& font, qreal size) {
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(size);
  } else {
    font.setPixelSize(std::max(1, qRound(size)));
  }
}

QFont panelFont(qreal size, QFont::Weight weight) {
  QFont font = QApplication::font();
  setFontSize(font, fontSize(font) * size / kReferenceFontSize);
  font.setWeight(weight);
  return font;
}

QFont pixelSizedFont(qreal pixels, QFont::Weight weight) {
  QFont font = QApplication::font();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  font.setPointSizeF(pixels * 72.0 / dpi);
  font.setWeight(weight);
  return font;
}

QFont resizedAppFont(int delta, bool bold) {
  QFont font = QApplication::font();
  setFontSize(font, fontSize(font) + delta);
  font.setBold(bold);
  return font;
}

QString cssColor(const QColor& c) {
  return QStringLiteral("rgba(%1, %2, %3, %4)")
      .arg(c.red())
      .arg(c.green())
      .arg(c.blue())
      .arg(c.alpha());
}

QString prominentButtonStyle(Color accent) {
  const QColor fill = toQColor(accent);
  return QStringLiteral(
             "QPushButton { background-color: %1; color: white; border: none;"
             " border-radius: 6px; padding: 5px 14px; }"
             "QPushButton:pressed { background-color: %2; }")
      .arg(cssColor(fill), cssColor(fill.darker(120)));
}

QColor withAlpha(QColor color, qreal alpha) {
  color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
  return color;
}

QColor mix(const QColor& from, const QColor& to, qreal t) {
  auto lerp = [t](float a, float b) { return static_cast<float>(a + (b - a) * t); };
  return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                          lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

QColor primaryColor(const QWidget& widget) {
  return widget.palette().color(QPalette::Normal, QPalette::WindowText);
}

QColor secondaryColor(const QWidget& widget) {
  return widget.palette().color(QPalette::Normal, QPalette::PlaceholderText);
}

bool isDark(const QWidget& widget) {
  return widget.palette().color(QPalette::Window).lightness() < 128;
}

void setTextColor(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, color);
  widget.setPalette(palette);
}

void fillRoundedRect(QPainter& painter, const QRectF& box, qreal radius, const QColor& fill) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(box, radius, radius);
}

QRectF centredSquare(const QRectF& area, qreal side) {
  const QPointF centre = area.center();
  return {centre.x() - side / 2, centre.y() - side / 2, side, side};
}

}  // namespace brindlecap
