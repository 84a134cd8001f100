#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/TopBarWindows.h"
#include "ui/WindowFrame.h"

namespace brindlecap {

// A small titled utility window that stays above others and hides when the application is no
// longer active. Its frame includes the window manager's decorations; an origin given for its
// content size places the whole frame in that box's place (see WindowFrame::placedAs).
class QtFloatingPanel : public FloatingPanel {
 public:
  QtFloatingPanel(const std::string& title, Size contentSize);
  ~QtFloatingPanel() override;

  bool isVisible() const override;
  Rect frame() const override;
  Size contentSize() const override { return contentSize_; }
  void setContentSize(Size size) override;
  void setFrameOrigin(Point origin) override;
  void makeKeyAndOrderFront() override;
  void orderOut() override;

  // Takes ownership of `content`, replacing the previous one.
  void setContent(QWidget* content);

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> content_;
  WindowDecorations decorations_;
  Size contentSize_;
};

}  // namespace brindlecap
