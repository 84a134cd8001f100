#include "menubar/StatusItemContentView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "menubar/DotRingProgress.h"
#include "support/RecordingCanvas.h"

namespace brindlecap {
namespace {

using testing::CanvasCall;
using testing::RecordingCanvas;
using testing::RecordingSurface;

constexpr Size kTrayBounds{24, 22};  // what the tray hands the icon
constexpr Point kCenter{12, 11};
const Color kAccent{0.1, 0.6, 0.3, 1};
const Color kLabel = SystemColors::forAppearance(Appearance::light).label.withAlpha(1);

struct Dot {
  int index;  // ring position: 0 at the top, clockwise
  Rect rect;
  Color color;
};

// Names each drawn circle away from the centre by the ring position it lies on.
std::vector<Dot> ringDots(const RecordingCanvas& canvas) {
  std::vector<Dot> dots;
  for (const CanvasCall& call : canvas.callsOf(CanvasCall::Kind::fillEllipse)) {
    const double dx = call.rect.midX() - kCenter.x, dy = call.rect.midY() - kCenter.y;
    if (std::hypot(dx, dy) < 3) continue;  // the dragging mark
    const double steps = (std::numbers::pi / 2 - std::atan2(dy, dx)) / (std::numbers::pi / 6);
    dots.push_back({(static_cast<int>(std::lround(steps)) % 12 + 12) % 12, call.rect, call.color});
  }
  return dots;
}

RecordingCanvas drawn(StatusItemContentView& view) {
  RecordingCanvas canvas;
  view.draw(canvas, kTrayBounds);
  return canvas;
}

TEST(DotRingProgressTest, SplitsProgressIntoFullAndPartialDots) {
  struct Case {
    double progress;
    int full;
    std::optional<int> partial;
    double fraction;
  };
  for (const Case& c : std::initializer_list<Case>{{0, 0, 0, 0},
                                                   {0.42, 5, 5, 0.04},
                                                   {0.5, 6, 6, 0},
                                                   {1, 12, std::nullopt, 0},
                                                   {-0.3, 0, 0, 0},
                                                   {1.7, 12, std::nullopt, 0},
                                                   {std::nan(""), 0, 0, 0}}) {
    SCOPED_TRACE(c.progress);
    const DotRingProgress ring(c.progress, 12);
    EXPECT_EQ(ring.fullDotCount, c.full);
    EXPECT_EQ(ring.partialDotIndex, c.partial);
    EXPECT_NEAR(ring.partialFraction, c.fraction, 1e-9);
  }
  const DotRingProgress none(0.25, -3);
  EXPECT_EQ(none.dotCount, 1) << "at least one dot";
  EXPECT_EQ(none.partialDotIndex, 0);
}

TEST(StatusItemContentViewTest, PlainRingHasTwelveDotsInsideWithTheBottomOneInTheAccent) {
  StatusItemContentView view;
  view.functionalColor = kAccent;
  const RecordingCanvas canvas = drawn(view);
  std::set<int> seen;
  for (const Dot& dot : ringDots(canvas)) {
    seen.insert(dot.index);
    EXPECT_TRUE(dot.rect.minX() >= 0 && dot.rect.maxX() <= kTrayBounds.width &&
                dot.rect.minY() >= 0 && dot.rect.maxY() <= kTrayBounds.height);
    EXPECT_EQ(dot.color, dot.index == 6 ? kAccent : kLabel) << dot.index;
  }
  EXPECT_EQ(seen.size(), 12u);
  EXPECT_TRUE(canvas.callsOf(CanvasCall::Kind::drawText).empty());
}

TEST(StatusItemContentViewTest, ProgressLightsDotsClockwiseFromTheTopOverADimTrack) {
  struct Case {
    double progress;
    int full;
    double partialArea;  // of dot `full`, as a share of a whole dot; 0 for none
  };
  for (const Case& c : std::initializer_list<Case>{
           {0, 0, 0}, {0.42, 5, 0.04}, {0.5, 6, 0}, {1, 12, 0}, {3, 12, 0}}) {
    SCOPED_TRACE(c.progress);
    StatusItemContentView view;
    view.functionalColor = kAccent;
    view.progress = c.progress;
    std::vector<Dot> tracks, lit;
    for (const Dot& dot : ringDots(drawn(view)))
      (dot.color == kLabel ? lit : tracks).push_back(dot);
    ASSERT_EQ(tracks.size(), 12u);
    EXPECT_EQ(tracks[0].color, kLabel.withAlpha(0.27)) << "no accent in the progress ring";
    const double whole = tracks[0].rect.size.width;
    int full = 0;
    for (const Dot& dot : lit) {
      if (dot.rect.size.width == whole) {
        EXPECT_EQ(dot.index, full++) << "lit in order";
      } else {
        EXPECT_EQ(dot.index, c.full);
        EXPECT_NEAR(std::pow(dot.rect.size.width / whole, 2), c.partialArea, 1e-9);
      }
    }
    EXPECT_EQ(full, c.full);
    EXPECT_EQ(lit.size() - full, c.partialArea > 0 ? 1u : 0u);
  }
}

TEST(StatusItemContentViewTest, CountdownIsCentredAndSmallerFromThreeCharacters) {
  auto text = [](const char* countdown) {
    StatusItemContentView view;
    view.countdownText = countdown;
    const auto texts = drawn(view).callsOf(CanvasCall::Kind::drawText);
    EXPECT_EQ(texts.size(), 1u);
    return texts.at(0);
  };
  const CanvasCall two = text("12");
  EXPECT_EQ(two.text, "12");
  EXPECT_TRUE(two.font.bold && two.font.monospacedDigits);
  const Size measured = RecordingCanvas::textSize("12", two.font);
  EXPECT_NEAR(two.from.x + measured.width / 2, kCenter.x, 1e-9);
  EXPECT_NEAR(two.from.y + measured.height / 2, kCenter.y, 0.5);
  EXPECT_LT(text("123").font.size, two.font.size);
  // Characters, not bytes.
  EXPECT_EQ(text("5ч").font.size, two.font.size);
  EXPECT_EQ(text("45м").font.size, text("123").font.size);
}

TEST(StatusItemContentViewTest, DraggingShowsTheAccentMarkInsteadOfTheText) {
  StatusItemContentView view;
  view.functionalColor = kAccent;
  view.countdownText = "12";
  view.progress = 0.5;
  view.isDragging = true;
  const RecordingCanvas canvas = drawn(view);
  EXPECT_TRUE(canvas.callsOf(CanvasCall::Kind::drawText).empty());
  EXPECT_EQ(ringDots(canvas).size(), 18u) << "the ring stays";
  const CanvasCall& disc = canvas.calls.end()[-2];
  const CanvasCall& point = canvas.calls.back();
  EXPECT_EQ(disc.color, kAccent);
  EXPECT_EQ(point.color, (Color{1, 1, 1, 1}));
  for (const CanvasCall* mark : {&disc, &point})
    EXPECT_EQ((Point{mark->rect.midX(), mark->rect.midY()}), kCenter);
  EXPECT_LT(point.rect.size.width, disc.rect.size.width);
}

TEST(StatusItemContentViewTest, TakesClicksOnlyInsideAndOnlyWithACallback) {
  StatusItemContentView view;
  RecordingSurface surface(kTrayBounds);
  view.attach(&surface);
  EXPECT_FALSE(view.hitTest({5, 5})) << "no callback: clicks fall through";

  std::vector<StatusItemContentView*> rightReleases;
  view.onRightMouseUp = [&](StatusItemContentView& v) { rightReleases.push_back(&v); };
  EXPECT_TRUE(view.hitTest({0, 0}));
  EXPECT_TRUE(view.hitTest({23.9, 21.9}));
  EXPECT_FALSE(view.hitTest({24, 5}));
  EXPECT_FALSE(view.hitTest({5, -0.1}));
  view.mouseDown();  // no press callback: nothing happens
  view.rightMouseUp();
  EXPECT_EQ(rightReleases, std::vector{&view});
}

}  // namespace
}  // namespace brindlecap
