#include "menubar/DragLineView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/RecordingCanvas.h"

namespace brindlecap {
namespace {

using testing::CanvasCall;
using testing::RecordingCanvas;
using testing::RecordingSurface;

const Color kAccent{0.2, 0.4, 0.9, 1};

void expectRectNear(const std::optional<Rect>& actual, const Rect& expected) {
  ASSERT_TRUE(actual.has_value());
  EXPECT_NEAR(actual->minX(), expected.minX(), 1e-9);
  EXPECT_NEAR(actual->minY(), expected.minY(), 1e-9);
  EXPECT_NEAR(actual->maxX(), expected.maxX(), 1e-9);
  EXPECT_NEAR(actual->maxY(), expected.maxY(), 1e-9);
}

class DragLineViewTest : public ::testing::Test {
 protected:
  DragLineViewTest() {
    view.attach(&surface);
    view.functionalColor = kAccent;
  }
  RecordingCanvas drawn() {
    RecordingCanvas canvas;
    view.draw(canvas, Rect(0, 0, 1000, 800));
    return canvas;
  }

  RecordingSurface surface{{1000, 800}};
  DragLineView view;
};

TEST_F(DragLineViewTest, TetherKeepsOffBothEndsAndThinsAsItGrows) {
  const Point start{100, 700};
  std::vector<double> cores;
  for (double length : {100.0, 300.0, 400.0}) {
    SCOPED_TRACE(length);
    const Point end{start.x + 0.6 * length, start.y - 0.8 * length};  // a 3-4-5 diagonal
    view.update(start, end);
    const auto segments = drawn().callsOf(CanvasCall::Kind::fillStrokedSegment);
    ASSERT_EQ(segments.size(), 3u) << "glow, core, sheen";
    for (const CanvasCall& s : segments) {
      // On the line between the ends, short of both: off the icon and out of the marker.
      EXPECT_NEAR((s.from.x - start.x) * 0.8, (start.y - s.from.y) * 0.6, 1e-9);
      EXPECT_GT(s.from.x, start.x);
      EXPECT_LT(s.to.x, end.x);
      EXPECT_NEAR((s.to.x - start.x) * 0.8, (start.y - s.to.y) * 0.6, 1e-9);
    }
    EXPECT_GT(segments[0].width, segments[1].width);
    EXPECT_GT(segments[1].width, segments[2].width);
    cores.push_back(segments[1].width);
  }
  EXPECT_TRUE(std::is_sorted(cores.rbegin(), cores.rend())) << "never thicker when longer";
  EXPECT_LT(cores.back(), cores.front()) << "a long tether is thinner";

  view.update({0, 50}, {5, 50});
  const RecordingCanvas shortTether = drawn();
  EXPECT_TRUE(shortTether.callsOf(CanvasCall::Kind::fillStrokedSegment).empty());
  ASSERT_FALSE(shortTether.calls.empty()) << "the end marker alone";
  EXPECT_EQ((Point{shortTether.calls[0].rect.midX(), shortTether.calls[0].rect.midY()}),
            (Point{5, 50}));
}

TEST_F(DragLineViewTest, RedrawsOnlyTheAreaBothTethersCover) {
  EXPECT_TRUE(drawn().calls.empty()) << "nothing before the first update";
  view.setFunctionalColor(Color{1, 1, 1, 1});
  EXPECT_TRUE(surface.dirtyRects.empty()) << "no tether on screen to recolour";

  const Rect second(91.75, 191.75, 316.5, 316.5);  // the tether from (100, 200) to (400, 500)
  expectRectNear(view.update({100, 200}, {300, 150}), Rect(91.75, 141.75, 216.5, 66.5));
  expectRectNear(view.update({100, 200}, {400, 500}), Rect(91.75, 141.75, 316.5, 366.5));
  view.setFunctionalColor(Color{1, 1, 1, 1});  // no real change: no redraw
  view.setFunctionalColor(kAccent);
  expectRectNear(view.reset(), second);
  EXPECT_FALSE(view.hasGeometry);
  EXPECT_FALSE(view.reset());
  EXPECT_TRUE(drawn().calls.empty());

  ASSERT_EQ(surface.dirtyRects.size(), 4u);
  expectRectNear(surface.dirtyRects[2], second);
  EXPECT_EQ(surface.wholeRedisplays, 0) << "never the whole screen";

  // Kept within the bounds; a tether entirely off the view marks only what the old one covered.
  expectRectNear(view.update({2, 3}, {995, 60}), Rect(0, 0, 1000, 68.25));
  expectRectNear(view.update({-300, -300}, {-100, -200}), Rect(0, 0, 1000, 68.25));
  EXPECT_FALSE(view.update({-300, -300}, {-100, -150})) << "nothing visible to mark";
  EXPECT_EQ(surface.dirtyRects.size(), 6u);
}

}  // namespace
}  // namespace brindlecap
