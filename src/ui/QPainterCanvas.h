#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>

#include "platform/Canvas.h"

class QPainter;

namespace brindlecap {

// A Canvas over a QPainter on a device `viewHeight` points tall: view points map 1:1 onto the
// painter's logical pixels with y flipped; text is drawn upright. Turns antialiasing on.
class QPainterCanvas : public Canvas {
 public:
  QPainterCanvas(QPainter& painter, double viewHeight);

  double pixelScale() const override;
  void fillEllipse(const Rect& bounds, const Color& color) override;
  void strokeEllipse(const Rect& bounds, const Color& color, double lineWidth) override;
  void fillRoundedRect(const Rect& rect, double radius, const Color& color) override;
  void strokeRoundedRect(const Rect& rect, double radius, const Color& color,
                         double lineWidth) override;
  void fillStrokedSegment(Point from, Point to, double width,
                          const std::vector<GradientStop>& gradient) override;
  Size measureText(std::string_view text, const Font& font) override;
  void drawText(std::string_view text, Point origin, const Font& font, const Color& color) override;

  // View coordinates to the painter's (y down).
  QPointF toPainter(Point p) const;
  QRectF toPainter(const Rect& r) const;

 private:
  QFont qtFont(const Font& font) const;

  QPainter& painter_;
  double viewHeight_;
};

}  // namespace brindlecap
