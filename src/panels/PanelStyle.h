#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "platform/Color.h"
#include "platform/linux/QtColor.h"

namespace brindlecap {

// The application font with its size moved by `delta` points (or pixels, if it is pixel-sized).
QFont resizedAppFont(int delta, bool bold);

// The style sheet of a panel's prominent button: filled with the accent, white text.
QString prominentButtonStyle(Color accent);

// "rgba(r, g, b, a)" for style sheets.
QString cssColor(const QColor& color);

}  // namespace brindlecap
