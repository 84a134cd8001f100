#include "panels/PanelStyle.h"

#include "platform/linux/QtColor.h"

#include <QApplication>

namespace brindlecap {

QFont resizedAppFont(int delta, bool bold) {
  QFont font = QApplication::font();
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() + delta);
  } else if (font.pixelSize() > 0) {
    font.setPixelSize(font.pixelSize() + delta);
  }
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

}  // namespace brindlecap
