#include "ui/WindowFrame.h"

#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/linux/ScreenCoordinates.h"
#include "platform/linux/XcbFrameExtents.h"

namespace brindlecap {

namespace {

// How far to move a span [low, high] so it lies within [lowest, highest], moving no more than
// `allowance` either way.
double pullInside(double low, double high, double lowest, double highest, double allowance) {
  if (high > highest) return -std::min(high - highest, allowance);
  if (low < lowest) return std::min(lowest - low, allowance);
  return 0;
}

}  // namespace

Rect WindowFrame::around(const QRect& client) const {
  return toGlobalYUp(client.marginsAdded(extents));
}

QRect WindowFrame::clientOf(const Rect& frame) const {
  return toQt(frame).marginsRemoved(extents);
}

Rect WindowFrame::placedAs(const Rect& box, const Rect& limits) const {
  const double extraWidth = extents.left() + extents.right();
  const double extraHeight = extents.top() + extents.bottom();
  const double width = box.size.width + extraWidth;
  const double height = box.size.height + extraHeight;
  Rect frame(box.midX() - width / 2, box.maxY() - height, width, height);
  frame.origin.x +=
      pullInside(frame.minX(), frame.maxX(), limits.minX(), limits.maxX(), extraWidth);
  frame.origin.y +=
      pullInside(frame.minY(), frame.maxY(), limits.minY(), limits.maxY(), extraHeight);
  return frame;
}

WindowFrame WindowDecorations::frame() const {
  if (!window_) return {};
  const QRect outer = window_->frameGeometry();
  const QRect inner = window_->geometry();
  const QMargins measured(inner.left() - outer.left(), inner.top() - outer.top(),
                          outer.right() - inner.right(), outer.bottom() - inner.bottom());
  if (!measured.isNull()) return {measured};
  // Not on screen yet, or just mapped and not yet framed: the window manager's own estimate.
  if (!estimate_)
    estimate_ = frameExtents(static_cast<xcb_window_t>(window_->winId())).value_or(QMargins());
  return {*estimate_};
}

void setClientGeometry(QWidget& window, const QRect& geometry) {
  window.setGeometry(geometry);
  // A hidden widget keeps its geometry to itself until shown, and the native window's last
  // reported geometry (the end of a hide animation, still queued) would overwrite it: the native
  // window is told now, so its own report comes last.
  if (QWindow* handle = window.windowHandle(); handle && !window.isVisible())
    handle->setGeometry(geometry);
}

}  // namespace brindlecap
