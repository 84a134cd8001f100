#pragma once

#include <optional>

#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace brindlecap {

// Where a drawn view lives on screen: the platform widget that hosts it.
class ViewSurface {
 public:
  virtual ~ViewSurface() = default;
  // Marks the whole view, or a part of it in view coordinates, for redrawing soon.
  virtual void setNeedsDisplay() = 0;
  virtual void setNeedsDisplay(const Rect& dirty) = 0;
  // Redraws now whatever is marked.
  virtual void displayIfNeeded() = 0;
  // The view's size in points.
  virtual Size boundsSize() const = 0;
  // The view's frame in global screen points; nothing while it is not on screen.
  virtual std::optional<Rect> frameInScreen() const = 0;
};

// A view whose content core code draws. The platform host calls draw() when it paints and
// forwards the mouse events below; a view answers hitTest() false to let clicks fall through.
class DrawnView {
 public:
  virtual ~DrawnView() = default;
  virtual void draw(Canvas& canvas, const Rect& dirty) = 0;
  virtual bool hitTest(Point) const { return false; }
  virtual void mouseDown() {}
  virtual void rightMouseUp() {}

  // Set by the host when it adopts the view; nothing before that.
  void attach(ViewSurface* surface) { surface_ = surface; }
  ViewSurface* surface() const { return surface_; }
  void setNeedsDisplay() {
    if (surface_) surface_->setNeedsDisplay();
  }

 private:
  ViewSurface* surface_ = nullptr;
};

}  // namespace brindlecap
