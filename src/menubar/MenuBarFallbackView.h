#pragma once

#include <functional>
#include <optional>

#include "menubar/StatusItemContentView.h"
#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/SystemColors.h"
#include "platform/ViewSurface.h"

namespace brindlecap {

// The stand-in for a top-bar icon that the bar hides: a small panel's view showing the same
// icon, on a rounded background when it hangs below the bar. View coordinates, points, y up.
class MenuBarFallbackView : public DrawnView {
 public:
  static constexpr double kBackgroundInset = 1;
  static constexpr double kBackgroundRadius = 8;
  static constexpr double kBackgroundAlpha = 0.94;
  static constexpr double kBorderAlpha = 0.42;
  static constexpr double kBorderWidth = 1;
  static constexpr std::string_view kToolTip = StatusItemContentView::kToolTip;

  MenuBarFallbackView();
  MenuBarFallbackView(const MenuBarFallbackView&) = delete;
  MenuBarFallbackView& operator=(const MenuBarFallbackView&) = delete;

  // Fills this view and redraws through this view's host. Has no callbacks of its own, so
  // clicks reach this view.
  StatusItemContentView statusContentView;
  std::function<void(MenuBarFallbackView&)> onMouseDown;     // left button pressed
  std::function<void(MenuBarFallbackView&)> onRightMouseUp;  // right button released
  bool isBelowMenuBar = false;                               // draw the hanging background
  Appearance appearance = Appearance::light;                 // set by the host; the icon follows it

  // Sets isBelowMenuBar, redrawing only when it changes.
  void setIsBelowMenuBar(bool value);

  // The background (when below the bar), then the icon on top, in the host's bounds.
  void draw(Canvas& canvas, const Rect& dirty) override;
  void draw(Canvas& canvas, Size bounds);

  bool hitTest(Point point) const override;
  void mouseDown() override;
  void rightMouseUp() override;

 private:
  // Hands the icon's redraw requests and geometry to whatever hosts this view.
  class ContentSurface : public ViewSurface {
   public:
    explicit ContentSurface(MenuBarFallbackView& owner) : owner_(owner) {}
    void setNeedsDisplay() override;
    void setNeedsDisplay(const Rect& dirty) override;
    void displayIfNeeded() override;
    Size boundsSize() const override;
    std::optional<Rect> frameInScreen() const override;

   private:
    MenuBarFallbackView& owner_;
  };

  Size bounds() const;

  ContentSurface contentSurface_{*this};
};

}  // namespace brindlecap
