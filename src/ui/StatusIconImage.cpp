#include "ui/StatusIconImage.h"

#include <QPainter>

#include "menubar/StatusItemContentView.h"
#include "ui/QPainterCanvas.h"

namespace brindlecap {

QImage renderStatusIcon(const StatusItemContentView& view, QSize devicePixels,
                        qreal devicePixelRatio) {
  QImage image(devicePixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  if (image.isNull() || devicePixelRatio <= 0) return image;
  image.setDevicePixelRatio(devicePixelRatio);
  const Size bounds{devicePixels.width() / devicePixelRatio,
                    devicePixels.height() / devicePixelRatio};
  QPainter painter(&image);
  QPainterCanvas canvas(painter, bounds.height);
  view.render(canvas, bounds);
  return image;
}

}  // namespace brindlecap
