#include <gtest/gtest.h>

#include "menubar/DragOverlayPanel.h"
#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;

class DragOverlayPanelTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  DragOverlayPanel overlay{windows, screens, time, dates};
};

TEST_F(DragOverlayPanelTest, BubbleSitsRightOfThePointerFlipsLeftAndStaysInside) {
  const Rect visible(0, 0, 1440, 875), narrow(0, 0, 400, 875);
  const Size least{224, 58}, grown{300, 58};
  struct Case {
    Point pointer;
    Rect screen;
    Size bubble;
    Rect frame;
  };
  for (const Case& c : std::initializer_list<Case>{
           {{400, 500}, visible, least, Rect(408.25, 471, 224, 58)},
           {{1300, 500}, visible, least, Rect(1067.75, 471, 224, 58)},  // flips left
           {{1150, 500}, visible, least, Rect(1158.25, 471, 224, 58)},
           {{1150, 500}, visible, grown, Rect(841.75, 471, 300, 58)},  // flips by its real width
           {{400, 3}, visible, least, Rect(408.25, 8, 224, 58)},       // 8 above the bottom
           {{400, 870}, visible, least, Rect(408.25, 809, 224, 58)},   // under the top
           {{200, 500}, narrow, least, Rect(168, 471, 224, 58)},  // fits nowhere: right, inside
       }) {
    EXPECT_EQ(DragOverlayPanel::bubbleFrame(c.pointer, c.screen, c.bubble), c.frame);
  }
  // The overlay places the bubble by the size its texts gave it.
  windows.bubble->bubbleSize = grown;
  overlay.show({1200, 890}, {1150, 500}, 600, time.now() + 600, DragDurationCorridor::precise);
  EXPECT_EQ(windows.bubble->frame, Rect(841.75, 471, 300, 58));
}

TEST_F(DragOverlayPanelTest, TextsChangeOnlyWithDurationOrCorridor) {
  const TimePoint fire = time.now() + 2400;
  overlay.show({1200, 890}, {1000, 600}, 2400, fire, DragDurationCorridor::precise);
  EXPECT_EQ(windows.bubble->durationText, "Через 40 минут");
  EXPECT_EQ(windows.bubble->timeText,
            "Точно · сегодня в time(" + std::to_string(static_cast<long long>(fire)) + ")");
  EXPECT_EQ(windows.bubble->symbol, "timer");
  EXPECT_TRUE(windows.bubble->visible && windows.line->visible);

  overlay.show({1200, 890}, {1000, 590}, 2400, fire, DragDurationCorridor::precise);
  EXPECT_EQ(windows.bubble->textUpdates, 1);
  overlay.show({1200, 890}, {1100, 590}, 2400, fire, DragDurationCorridor::extended);
  EXPECT_EQ(windows.bubble->textUpdates, 2);
  EXPECT_EQ(windows.bubble->symbol, "clock");
  EXPECT_EQ(windows.bubble->timeText.rfind("До суток · ", 0), 0u);

  overlay.hide();
  EXPECT_FALSE(windows.bubble->visible || windows.line->visible);
  EXPECT_FALSE(overlay.displayedDuration() || overlay.displayedCorridor());
  EXPECT_FALSE(overlay.lineView().hasGeometry);
  overlay.show({1200, 890}, {1100, 590}, 2400, fire, DragDurationCorridor::extended);
  EXPECT_EQ(windows.bubble->textUpdates, 3) << "a new session always rewrites the texts";
}

TEST_F(DragOverlayPanelTest, TheLineLayerMovesOnlyBetweenScreensAndGetsLocalPoints) {
  screens.list.push_back(
      ScreenInfo{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1055), 60, {}, {}});
  overlay.show({1200, 890}, {1000, 600}, 60, time.now() + 60, DragDurationCorridor::precise);
  overlay.show({1200, 890}, {1010, 600}, 60, time.now() + 60, DragDurationCorridor::precise);
  EXPECT_EQ(windows.line->frameChanges, 1);
  overlay.show({1200, 890}, {1500, 600}, 60, time.now() + 60, DragDurationCorridor::precise);
  EXPECT_EQ(windows.line->frameChanges, 2);
  EXPECT_EQ(windows.line->frame(), Rect(1440, 0, 1920, 1080));
  EXPECT_EQ(overlay.lineView().endPoint, (Point{60, 600}));
  EXPECT_EQ(overlay.lineView().startPoint, (Point{-240, 890}));

  const int updates = windows.bubble->textUpdates;
  overlay.show({1200, 890}, {-50, 600}, 120, time.now() + 120, DragDurationCorridor::days);
  EXPECT_EQ(windows.bubble->textUpdates, updates) << "a pointer off every screen changes nothing";
}

}  // namespace
}  // namespace brindlecap
