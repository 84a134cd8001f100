#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/TopBarWindows.h"

namespace brindlecap {

// The fallback panel on X11: an override-redirect window, so no window manager moves, frames or
// lists it (a managed window ends up wherever the manager likes, e.g. floating mid-screen on
// sway). Translucent with a compositing manager, else shaped to the rounded background.
class QtFallbackPanel : public FallbackPanel {
 public:
  QtFallbackPanel(DrawnView& content, bool hasCompositor);
  ~QtFallbackPanel() override;
  bool isVisible() const override;
  Rect frame() const override;
  void setFrame(const Rect& frame) override;
  void setHasShadow(bool) override {}  // a compositing manager shadows what it likes
  void orderFront() override;
  void orderOut() override;
  QWidget* widget() const { return window_; }

 private:
  void shape();

  QPointer<QWidget> window_;
  bool hasCompositor_;
};

}  // namespace brindlecap
