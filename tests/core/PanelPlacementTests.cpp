#include "menubar/PanelPlacement.h"

#include <gtest/gtest.h>

namespace brindlecap {
namespace {

using namespace PanelPlacement;

// The main screen under a 25-point top bar, and a second one to its right.
const ScreenInfo kMain{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875), 60, {}, {}};
const ScreenInfo kRight{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080), 60, {}, {}};

TEST(PanelPlacementTest, FloatingPanelsAlignWithTheirSourceOrHangNearThePointer) {
  const Size composer{300, 198};
  struct Case {
    const char* name;
    std::optional<Rect> source;
    Point pointer;
    Point origin;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"centred over the list, tops aligned", Rect(1000, 560, 360, 280), {}, {1030, 642}},
           {"kept 12 from the right", Rect(1200, 560, 200, 280), {}, {1128, 642}},
           {"kept 12 from the left", Rect(-100, 560, 200, 280), {}, {12, 642}},
           {"kept 12 below the top", Rect(600, 700, 360, 280), {}, {630, 665}},
           {"kept 12 above the bottom", Rect(600, -100, 360, 200), {}, {630, 12}},
           {"on the source's screen", Rect(2000, 500, 360, 280), {}, {2030, 582}},
           {"off every screen: the main one", Rect(-900, 500, 360, 280), {}, {12, 582}},
           {"centred on the pointer, 54 below the top", {}, {700, 400}, {550, 623}},
           {"the pointer near the right edge", {}, {1430, 400}, {1128, 623}},
           {"the pointer on the second screen", {}, {3000, 400}, {2850, 828}},
           {"the pointer off every screen", {}, {-500, 400}, {12, 623}},
       }) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(floatingPanelOrigin(composer, c.source, c.pointer, {kMain, kRight}), c.origin);
  }
  EXPECT_FALSE(floatingPanelOrigin(composer, std::nullopt, {700, 400}, {})) << "no screen";
}

TEST(PanelPlacementTest, PopoversStayFourPointsUnderTheTopBar) {
  ScreenInfo housing = kMain;
  housing.auxiliaryTopRightArea = Rect(852, 863, 588, 37);
  EXPECT_EQ(topBarLowerEdge(kMain), 875);
  EXPECT_EQ(topBarLowerEdge(housing), 863);
  EXPECT_EQ(popoverDrop(Rect(100, 700, 300, 180), 875), 9);
  EXPECT_EQ(popoverDrop(Rect(100, 600, 300, 271), 875), 0) << "exactly at the gap";
  EXPECT_EQ(popoverDrop(Rect(100, 400, 300, 180), 875), 0) << "never moved up";
}

TEST(PanelPlacementTest, TheListGrowsSixtyPointsPerTimerWithinItsBounds) {
  const double heights[] = {280, 180, 210, 270, 330, 390, 420, 420};
  for (std::size_t n = 0; n < std::size(heights); ++n)
    EXPECT_EQ(listHeight(n), heights[n]) << n << " timers";
}

}  // namespace
}  // namespace brindlecap
