#include "ui/WindowFrame.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "support/QtTestApplication.h"

namespace brindlecap {
namespace {

// xfwm4's default decorations: 5-pixel borders under a 29-pixel title bar.
const QMargins kXfwm4(5, 29, 5, 5);

class WindowFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    screenHeight = QGuiApplication::primaryScreen()->geometry().height();
  }
  int screenHeight = 0;
};

TEST_F(WindowFrameTest, FrameAndClientAreaConvertBothWaysWithYUp) {
  const QRect client(100, 79, 300, 200);
  for (const QMargins& extents : {QMargins(), kXfwm4}) {
    const WindowFrame frame{extents};
    const Rect outer = frame.around(client);
    // The frame's top is the title bar's top; y grows upwards from the screen's bottom.
    EXPECT_EQ(outer,
              Rect(100 - extents.left(), screenHeight - 279 - extents.bottom(),
                   300 + extents.left() + extents.right(), 200 + extents.top() + extents.bottom()));
    EXPECT_EQ(frame.clientOf(outer), client);
  }
}

TEST_F(WindowFrameTest, AFramePlacedAsItsContentBoxKeepsTheTopAndTheCentreAndStaysWithinLimits) {
  const WindowFrame frame{kXfwm4};
  const Rect limits(12, 12, 776, 576);
  const struct {
    const char* where;
    Rect box;
    Rect placed;
  } cases[] = {
      // Top-aligned with the box, centred on it: the decorations hang below and to both sides.
      {"free", Rect(100, 300, 300, 198), Rect(95, 266, 310, 232)},
      // The box touches the right limit: the borders may not push the frame past it.
      {"at the right limit", Rect(488, 300, 300, 198), Rect(478, 266, 310, 232)},
      {"at the left limit", Rect(12, 300, 300, 198), Rect(12, 266, 310, 232)},
      // The box sits on the bottom limit: the title bar's height is taken from above instead.
      {"at the bottom limit", Rect(100, 12, 300, 198), Rect(95, 12, 310, 232)},
      // Past the limits already: moved back by no more than the decorations added.
      {"past the bottom", Rect(100, -100, 300, 198), Rect(95, -100, 310, 232)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(frame.placedAs(c.box, limits), c.placed) << c.where;
  }
  EXPECT_EQ(WindowFrame{}.placedAs(Rect(-40, 300, 300, 198), limits), Rect(-40, 300, 300, 198))
      << "without decorations the box is the frame";
}

}  // namespace
}  // namespace brindlecap
