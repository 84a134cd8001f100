#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

#include "platform/TopBarWindows.h"

namespace brindlecap {

// A popover as a frameless Qt::Popup window placed under its anchor. Qt closes a popup on a
// press elsewhere and replays that press to the widget under the pointer; so that a press on
// the icon closes an open popover instead of reopening it, the popover keeps counting as shown
// until the event loop is idle again.
class QtPopover : public Popover {
 public:
  QtPopover();
  ~QtPopover() override;

  bool isShown() const override;
  void show(const ViewSurface& anchor) override;
  void close() override;
  std::optional<Rect> windowFrame() const override;
  void moveDown(double points) override;
  Size contentSize() const override { return contentSize_; }
  void setContentSize(Size size) override;

  // Takes ownership of `content` and sizes the window to `size` points.
  void setContent(QWidget* content, Size size);
  // The same with content made by `make` just before the popover is first shown.
  void setContent(std::function<QWidget*()> make, Size size);
  QWidget* window() const;

 private:
  class Window;
  QPointer<Window> window_;
  QPointer<QWidget> content_;
  std::function<QWidget*()> makeContent_;
  Size contentSize_;
};

}  // namespace brindlecap
