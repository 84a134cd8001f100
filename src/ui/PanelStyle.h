#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include "platform/Color.h"
#include "ui/QtColor.h"

class QPainter;
class QWidget;

namespace brindlecap {

// A font's size in its own unit: points, or pixels for a pixel-sized font.
qreal fontSize(const QFont& font);
void setFontSize(QFont& font, qreal size);

// The application font scaled so that `size` reads like the same size in a 13-point interface:
// the panels are laid out in those sizes, the user's font decides the real ones.
QFont panelFont(qreal size, QFont::Weight weight);

// The application face at `pixels` logical pixels whatever the user's font size, for windows of a
// fixed size whose text must not outgrow them.
QFont pixelSizedFont(qreal pixels, QFont::Weight weight = QFont::Normal);

// The application font with its size moved by `delta` points (or pixels, if it is pixel-sized).
QFont resizedAppFont(int delta, bool bold);

// The style sheet of a panel's prominent button: filled with the accent, white text.
QString prominentButtonStyle(Color accent);

// "rgba(r, g, b, a)" for style sheets.
QString cssColor(const QColor& color);

// `color` with its alpha scaled by `alpha` (0…1): a translucent palette colour stays fainter.
QColor withAlpha(QColor color, qreal alpha);

// The colour `t` (0…1) of the way from `from` to `to`, alpha included.
QColor mix(const QColor& from, const QColor& to, qreal t);

// The text colours of `widget`'s palette, from the normal group so an inactive window looks the
// same as an active one.
QColor primaryColor(const QWidget& widget);
QColor secondaryColor(const QWidget& widget);

// Whether `widget`'s window colour is dark, which picks the dark variants of the named colours.
bool isDark(const QWidget& widget);

// Gives `widget` (a label) the text colour `color`.
void setTextColor(QWidget& widget, const QColor& color);

// Fills `box` with rounded corners and no outline; the painter is left without a pen and with
// `fill` as its brush.
void fillRoundedRect(QPainter& painter, const QRectF& box, qreal radius, const QColor& fill);

// The `side` × `side` square centred in `area`.
QRectF centredSquare(const QRectF& area, qreal side);

}  // namespace brindlecap
