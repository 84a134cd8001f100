#include <gtest/gtest.h>

#include "menubar/MenuBarFallbackView.h"
#include "menubar/MenuBarPlacementResolver.h"
#include "support/RecordingCanvas.h"

namespace brindlecap {
namespace {

using testing::CanvasCall;
using testing::RecordingCanvas;
using testing::RecordingSurface;
using namespace MenuBarPlacementResolver;

// A 1512-point screen whose 37-point top bar is split by a housing from 660 to 852.
const Rect kVisible(0, 0, 1512, 945);
const Rect kLeft(0, 945, 660, 37);
const Rect kRight(852, 945, 660, 37);

TEST(MenuBarPlacementResolverTest, HangsASquareBelowTheBar) {
  struct Case {
    const char* name;
    std::optional<Rect> left;
    Rect right;
    Rect visible;
    Point origin;
  };
  const std::optional<Rect> none;
  for (const Case& c : std::initializer_list<Case>{
           {"centred on the housing", kLeft, kRight, kVisible, {743, 919}},
           {"right area only", none, kRight, kVisible, {852, 919}},
           {"touching areas", Rect(0, 945, 852, 37), kRight, kVisible, {852, 919}},
           {"overlapping areas", Rect(0, 945, 900, 37), kRight, kVisible, {852, 919}},
           {"near the right edge", none, Rect(1500, 945, 12, 37), kVisible, {1486, 919}},
           {"left of frame", none, Rect(-40, 945, 600, 37), Rect(100, 0, 1412, 945), {100, 919}},
           {"frame too narrow", none, kRight, Rect(900, 0, 10, 945), {900, 919}},
           {"not below the frame", none, kRight, Rect(0, 930, 1512, 15), {852, 930}},
       }) {
    SCOPED_TRACE(c.name);
    const MenuBarFallbackPlacement placement = hangingPlacement(c.left, c.right, c.visible);
    EXPECT_EQ(placement.frame, Rect(c.origin.x, c.origin.y, 26, 26));
    EXPECT_TRUE(placement.isBelowMenuBar);
  }
}

TEST(MenuBarPlacementResolverTest, AnItemWithinTwoPointsOfTheStripsEndsIsObscured) {
  struct Case {
    Rect status;
    std::optional<Rect> right;
    bool obscured;
  };
  for (const Case& c : std::initializer_list<Case>{
           {Rect(1200, 950, 24, 24), std::nullopt, false},  // no housing: always reachable
           {Rect(1200, 950, 24, 24), kRight, false},
           {Rect(854, 950, 24, 24), kRight, false},
           {Rect(853, 950, 24, 24), kRight, true},
           {Rect(1486, 950, 24, 24), kRight, false},
           {Rect(1487, 950, 24, 24), kRight, true},
           {Rect(600, 950, 24, 24), kRight, true},   // behind the housing
           {Rect(1200, 930, 24, 24), kRight, true},  // below the strip
       }) {
    EXPECT_EQ(isStatusItemObscured(c.status, c.right), c.obscured) << c.status.minX();
  }
}

TEST(MenuBarFallbackViewTest, DrawsItsBackgroundOnlyBelowTheBarAndPassesRedrawsAndClicksOn) {
  RecordingSurface surface{{26, 26}};
  MenuBarFallbackView view;
  view.attach(&surface);
  auto drawn = [&view] {
    RecordingCanvas canvas;
    view.draw(canvas, Rect(0, 0, 26, 26));
    return canvas;
  };
  EXPECT_TRUE(drawn().callsOf(CanvasCall::Kind::fillRoundedRect).empty());

  view.isBelowMenuBar = true;
  view.appearance = Appearance::dark;
  const RecordingCanvas canvas = drawn();
  ASSERT_EQ(canvas.calls.size(), 14u);
  EXPECT_EQ(canvas.calls[0].kind, CanvasCall::Kind::fillRoundedRect) << "under the icon";
  EXPECT_EQ(canvas.calls[1].kind, CanvasCall::Kind::strokeRoundedRect);
  // The icon on top, centred in the panel, in the panel's appearance.
  EXPECT_EQ(canvas.calls[2].color,
            SystemColors::forAppearance(Appearance::dark).label.withAlpha(1));
  EXPECT_NEAR(canvas.calls[2].rect.midX(), 13, 1e-9);

  // The icon redraws and sits where the panel is.
  view.statusContentView.setNeedsDisplay();
  EXPECT_EQ(surface.wholeRedisplays, 1);
  surface.frame = Rect(743, 919, 26, 26);
  EXPECT_EQ(view.statusContentView.surface()->frameInScreen(), surface.frame);
  view.setIsBelowMenuBar(true);
  EXPECT_EQ(surface.wholeRedisplays, 1) << "unchanged flag, no redraw";

  // Clicks pass the icon by and reach the panel.
  EXPECT_FALSE(view.statusContentView.hitTest({13, 13}));
  EXPECT_TRUE(view.hitTest({13, 13}));
  EXPECT_FALSE(view.hitTest({26, 13}));
  std::vector<MenuBarFallbackView*> presses;
  view.onMouseDown = [&](MenuBarFallbackView& v) { presses.push_back(&v); };
  view.mouseDown();
  EXPECT_EQ(presses, std::vector{&view});
}

}  // namespace
}  // namespace brindlecap
