#pragma once

#include <QImage>
#include <QSize>

namespace brindlecap {

class StatusItemContentView;

// The icon as `view` shows it, drawn to fit a transparent image of `devicePixels` at
// `devicePixelRatio` device pixels per point: the same drawing a tray slot of that size gets.
QImage renderStatusIcon(const StatusItemContentView& view, QSize devicePixels,
                        qreal devicePixelRatio = 1);

}  // namespace brindlecap
