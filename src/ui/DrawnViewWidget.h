#pragma once

#include <QRegion>
#include <QWidget>

#include "platform/ViewSurface.h"

namespace brindlecap {

// The Qt host of a drawn view: paints it through a QPainterCanvas and hands it left presses and
// right releases that its hitTest accepts. Leaves its background unpainted, so a translucent
// window shows only what the view draws. Adopts the view for its own lifetime.
class DrawnViewWidget : public QWidget, public ViewSurface {
  Q_OBJECT

 public:
  explicit DrawnViewWidget(DrawnView& view, QWidget* parent = nullptr);
  ~DrawnViewWidget() override;

  DrawnView& view() const { return view_; }

  // ViewSurface, in view coordinates (points, y up).
  void setNeedsDisplay() override;
  void setNeedsDisplay(const Rect& dirty) override;
  void displayIfNeeded() override;
  Size boundsSize() const override;
  std::optional<Rect> frameInScreen() const override;

  // Between this widget's coordinates (y down) and the view's.
  Point toView(const QPointF& local) const;
  QRect toWidget(const Rect& viewRect) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  DrawnView& view_;
  QRegion pending_;  // marked since the last paint
};

}  // namespace brindlecap
