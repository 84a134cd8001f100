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
constexpr double kR = 6.35 * 19 / 17;
constexpr double kDotR = 1.05 * 19 / 17;
const Color kAccent{0.1, 0.6, 0.3, 1};
const SystemColors& kLight = SystemColors::forAppearance(Appearance::light);

struct Dot {
  int index;
  Point center;
  double radius;
  Color color;
};

// Names each drawn circle by the ring position its centre lies on.
std::vector<Dot> ringDots(const RecordingCanvas& canvas) {
  std::vector<Dot> dots;
  for (const CanvasCall& call : canvas.callsOf(CanvasCall::Kind::fillEllipse)) {
    const Point c{call.rect.midX(), call.rect.midY()};
    const double dx = c.x - kCenter.x, dy = c.y - kCenter.y;
    if (std::hypot(dx, dy) < kR / 2) continue;  // the centre mark, not a ring dot
    const double steps = (std::numbers::pi / 2 - std::atan2(dy, dx)) / (std::numbers::pi / 6);
    const int index = (static_cast<int>(std::lround(steps)) % 12 + 12) % 12;
    dots.push_back({index, c, call.rect.size.width / 2, call.color});
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
    int count;
    int dots, full;
    std::optional<int> partial;
    double fraction;
  };
  for (const Case& c : std::initializer_list<Case>{
           {0, 12, 12, 0, 0, 0},
           {0.42, 12, 12, 5, 5, 0.04},
           {0.5, 12, 12, 6, 6, 0},
           {1, 12, 12, 12, std::nullopt, 0},
           {-0.3, 12, 12, 0, 0, 0},
           {1.7, 12, 12, 12, std::nullopt, 0},
           {std::nan(""), 12, 12, 0, 0, 0},
           {0.5, 0, 1, 0, 0, 0.5},
           {0.25, -3, 1, 0, 0, 0.25},
       }) {
    SCOPED_TRACE(::testing::PrintToString(c.progress) + " of " + std::to_string(c.count));
    const DotRingProgress ring(c.progress, c.count);
    EXPECT_EQ(ring.dotCount, c.dots);
    EXPECT_EQ(ring.fullDotCount, c.full);
    EXPECT_EQ(ring.partialDotIndex, c.partial);
    EXPECT_NEAR(ring.partialFraction, c.fraction, 1e-9);
  }
}

TEST(StatusItemContentViewTest, PlainRingHasTwelveDotsWithTheBottomOneInTheAccent) {
  StatusItemContentView view;
  view.functionalColor = kAccent;
  const RecordingCanvas canvas = drawn(view);

  const std::vector<Dot> dots = ringDots(canvas);
  ASSERT_EQ(dots.size(), 12u);
  std::set<int> seen;
  for (const Dot& dot : dots) {
    seen.insert(dot.index);
    EXPECT_NEAR(std::hypot(dot.center.x - kCenter.x, dot.center.y - kCenter.y), kR, 1e-9);
    EXPECT_NEAR(dot.radius, kDotR, 1e-9);
    EXPECT_EQ(dot.color, dot.index == 6 ? kAccent : kLight.label.withAlpha(1));
  }
  EXPECT_EQ(seen.size(), 12u);
  EXPECT_TRUE(canvas.callsOf(CanvasCall::Kind::drawText).empty());
}

TEST(StatusItemContentViewTest, ProgressRingLightsDotsInOrderOverADimTrack) {
  struct Case {
    double progress;
    int full;
    double partialRadius;  // of dot `full`; 0 for none
  };
  for (const Case& c : std::initializer_list<Case>{
           {0, 0, 0}, {0.42, 5, 0.2 * kDotR}, {0.5, 6, 0}, {1, 12, 0}, {3, 12, 0}}) {
    SCOPED_TRACE(c.progress);
    StatusItemContentView view;
    view.functionalColor = kAccent;
    view.progress = c.progress;
    int tracks = 0, full = 0, partial = 0;
    for (const Dot& dot : ringDots(drawn(view))) {
      if (dot.color == kLight.label.withAlpha(0.27)) {
        ++tracks;
      } else if (dot.color != kLight.label.withAlpha(1)) {
        ADD_FAILURE() << "dot " << dot.index << " in another colour";
      } else if (dot.index < c.full && std::abs(dot.radius - kDotR) < 1e-9) {
        ++full;
      } else {
        ++partial;
        EXPECT_EQ(dot.index, c.full);
        EXPECT_NEAR(dot.radius, c.partialRadius, 1e-9);
      }
    }
    EXPECT_EQ(tracks, 12);
    EXPECT_EQ(full, c.full);
    EXPECT_EQ(partial, c.partialRadius > 0 ? 1 : 0);
  }
}

TEST(StatusItemContentViewTest, CountdownSizeDependsOnCharactersNotBytes) {
  struct Case {
    const char* text;
    double size;
  };
  for (const Case& c : std::initializer_list<Case>{{"12", 6.1 * 19 / 17},
                                                   {"123", 4.8 * 19 / 17},
                                                   {"5ч", 6.1 * 19 / 17},
                                                   {"45м", 4.8 * 19 / 17}}) {
    SCOPED_TRACE(c.text);
    StatusItemContentView view;
    view.countdownText = c.text;
    const auto texts = drawn(view).callsOf(CanvasCall::Kind::drawText);
    ASSERT_EQ(texts.size(), 1u);
    const CanvasCall& text = texts[0];
    EXPECT_EQ(text.text, c.text);
    EXPECT_NEAR(text.font.size, c.size, 1e-9);
    EXPECT_TRUE(text.font.bold && text.font.monospacedDigits);
    EXPECT_EQ(text.color, kLight.label);
    // Centred on the icon, nudged up by 0.35.
    const Size measured = RecordingCanvas::textSize(c.text, text.font);
    EXPECT_NEAR(text.from.x + measured.width / 2, kCenter.x, 1e-9);
    EXPECT_NEAR(text.from.y + measured.height / 2, kCenter.y + 0.35, 1e-9);
  }
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
  ASSERT_GE(canvas.calls.size(), 2u);
  const CanvasCall& disc = canvas.calls[canvas.calls.size() - 2];
  const CanvasCall& point = canvas.calls.back();
  EXPECT_EQ(disc.rect, Rect(kCenter.x - 4.1, kCenter.y - 4.1, 8.2, 8.2));
  EXPECT_EQ(disc.color, kAccent);
  EXPECT_EQ(point.rect, Rect(kCenter.x - 1.05, kCenter.y - 1.05, 2.1, 2.1));
  EXPECT_EQ(point.color, (Color{1, 1, 1, 1}));
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
