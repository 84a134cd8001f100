#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace brindlecap {

// Our own line glyphs for the symbol names the application uses ("timer", "clock", "calendar",
// "plus", "arrow.down.circle", "trash", "chevron.down", "cursorarrow.rays", "menubar.rectangle",
// "command"), drawn to fit `box` with strokes in `tint`. Unknown names draw nothing.
void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& tint);

}  // namespace brindlecap
