#include "menubar/DragLineView.h"

#include <gtest/gtest.h>

#include "support/RecordingCanvas.h"

namespace brindlecap {
namespace {

using testing::CanvasCall;
using testing::RecordingCanvas;
using testing::RecordingSurface;

const Color kAccent{0.2, 0.4, 0.9, 1};
const Color kWhite{1, 1, 1, 1};

void expectRectNear(const Rect& actual, const Rect& expected) {
  EXPECT_NEAR(actual.minX(), expected.minX(), 1e-9);
  EXPECT_NEAR(actual.minY(), expected.minY(), 1e-9);
  EXPECT_NEAR(actual.maxX(), expected.maxX(), 1e-9);
  EXPECT_NEAR(actual.maxY(), expected.maxY(), 1e-9);
}

void expectDirty(const std::optional<Rect>& dirty, const Rect& expected) {
  ASSERT_TRUE(dirty.has_value());
  expectRectNear(*dirty, expected);
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

TEST_F(DragLineViewTest, TetherThinsWithLengthAndFadesTowardsTheIcon) {
  struct Case {
    double length;
    double core;
  };
  for (const Case& c : std::initializer_list<Case>{
           {100, 3.4}, {252, 3.4}, {300, 7 - 300.0 / 70}, {336, 2.2}, {400, 2.2}}) {
    SCOPED_TRACE(c.length);
    // Along a 3-4-5 diagonal, so both components of the insets count.
    const Point start{100, 700};
    const Point end{start.x + 0.6 * c.length, start.y - 0.8 * c.length};
    view.update(start, end);
    const auto segments = drawn().callsOf(CanvasCall::Kind::fillStrokedSegment);
    ASSERT_EQ(segments.size(), 3u);
    for (const CanvasCall& s : segments) {
      EXPECT_NEAR(s.from.x, start.x + 0.6 * 4.1, 1e-9);
      EXPECT_NEAR(s.from.y, start.y - 0.8 * 4.1, 1e-9);
      EXPECT_NEAR(s.to.x, end.x - 0.6 * 6.25, 1e-9);
      EXPECT_NEAR(s.to.y, end.y + 0.8 * 6.25, 1e-9);
    }
    EXPECT_NEAR(segments[0].width, c.core + 3, 1e-9);
    EXPECT_NEAR(segments[1].width, c.core, 1e-9);
    EXPECT_NEAR(segments[2].width, std::max(c.core * 0.18, 0.6), 1e-9);
  }
}

TEST_F(DragLineViewTest, ShortTetherShowsOnlyTheEndMarker) {
  for (double length : {0.0, 5.0, 10.35}) {
    SCOPED_TRACE(length);
    view.update({0, 50}, {length, 50});
    const RecordingCanvas canvas = drawn();
    ASSERT_EQ(canvas.calls.size(), 3u);
    const CanvasCall& ring = canvas.calls[0];
    expectRectNear(ring.rect, Rect(length - 5.5, 44.5, 11, 11));
    EXPECT_EQ(ring.color, kAccent.withAlpha(0.16));
    const CanvasCall& outline = canvas.calls[1];
    EXPECT_EQ(outline.kind, CanvasCall::Kind::strokeEllipse);
    EXPECT_TRUE(outline.rect == ring.rect && outline.color == kAccent && outline.width == 1.5);
    expectRectNear(canvas.calls[2].rect, Rect(length - 1.75, 48.25, 3.5, 3.5));
    EXPECT_EQ(canvas.calls[2].color, kWhite);
  }
  view.update({0, 50}, {10.4, 50});
  EXPECT_EQ(drawn().calls.size(), 6u) << "just over the threshold the tether appears";
}

TEST_F(DragLineViewTest, RedrawsOnlyTheAreaBothTethersCover) {
  EXPECT_TRUE(drawn().calls.empty()) << "nothing before the first update";
  view.setFunctionalColor(kWhite);
  EXPECT_TRUE(surface.dirtyRects.empty()) << "no tether on screen to recolour";

  const Rect second(91.75, 191.75, 316.5, 316.5);  // the tether from (100, 200) to (400, 500)
  expectDirty(view.update({100, 200}, {300, 150}), Rect(91.75, 141.75, 216.5, 66.5));
  expectDirty(view.update({100, 200}, {400, 500}), Rect(91.75, 141.75, 316.5, 366.5));
  view.setFunctionalColor(kWhite);  // no real change: no redraw
  view.setFunctionalColor(kAccent);
  expectDirty(view.reset(), second);
  EXPECT_FALSE(view.hasGeometry);
  EXPECT_FALSE(view.reset());
  EXPECT_TRUE(drawn().calls.empty());

  ASSERT_EQ(surface.dirtyRects.size(), 4u);
  expectRectNear(surface.dirtyRects[1], Rect(91.75, 141.75, 316.5, 366.5));
  expectRectNear(surface.dirtyRects[2], second);
  EXPECT_EQ(surface.wholeRedisplays, 0) << "never the whole screen";
}

TEST_F(DragLineViewTest, DirtyAreaStaysWithinTheBounds) {
  expectDirty(view.update({2, 3}, {995, 60}), Rect(0, 0, 1000, 68.25));
  // From the corner to entirely off the view: only the old tether's part remains.
  expectDirty(view.update({-300, -300}, {-100, -200}), Rect(0, 0, 1000, 68.25));
  EXPECT_FALSE(view.update({-300, -300}, {-100, -150})) << "nothing visible to mark";
  EXPECT_EQ(surface.dirtyRects.size(), 2u);
  EXPECT_TRUE(view.hasGeometry);
}

}  // namespace
}  // namespace brindlecap
