#pragma once

#include <QPointer>
#include <memory>

#include "platform/TopBarWindows.h"

class QWidget;

namespace brindlecap {

class DrawnViewWidget;

// The drag bubble as a frameless, click-through window above everything, as wide as its texts
// need. With a compositing manager its rounded background is translucent; without one it is
// opaque and the window is shaped to the rounded rectangle, since an unshaped translucent window
// would show black.
class QtBubbleWindow : public BubbleWindow {
 public:
  QtBubbleWindow(Size size, bool hasCompositor);
  ~QtBubbleWindow() override;
  Size size() const override;
  void setAppearance(Appearance appearance) override;
  void setFrame(const Rect& frame) override;
  bool isVisible() const override;
  void orderFront() override;
  void orderOut() override;
  void setSymbol(const std::string& symbol) override;
  void setSymbolTint(const Color& color) override;
  void setTexts(const std::string& duration, const std::string& time) override;
  QWidget* widget() const;

 private:
  class Widget;
  QPointer<Widget> widget_;
};

// The full-screen tether layer. Without a compositing manager it is shaped to the tether alone,
// so the rest of the screen stays visible.
class QtLineWindow : public LineWindow {
 public:
  QtLineWindow(DrawnView& content, bool hasCompositor);
  ~QtLineWindow() override;
  Rect frame() const override;
  void setFrame(const Rect& frame) override;
  bool isVisible() const override;
  void orderFront() override;
  void orderOut() override;

 private:
  class Widget;
  QPointer<Widget> widget_;
  Rect frame_;
};

}  // namespace brindlecap
