#include "menubar/StatusItemContentView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

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

TEST(StatusItemContentViewTest, ProgressLightsDotsClockwiseFromTheTopOverADimTrack) {
  struct Case {
    double progress;
    int full;
    double partialArea;  // of dot `full`, as a share of a whole dot; 0 for none
  };
  for (const Case& c : std::initializer_list<Case>{
           {-0.3, 0, 0}, {0, 0, 0}, {0.42, 5, 0.04}, {0.5, 6, 0}, {1, 12, 0}, {3, 12, 0}}) {
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

TEST(StatusItemContentViewTest, CountdownIsSmallerFromThreeCharactersNotBytes) {
  auto size = [](const char* countdown) {
    StatusItemContentView view;
    view.countdownText = countdown;
    return drawn(view).callsOf(CanvasCall::Kind::drawText).at(0).font.size;
  };
  EXPECT_LT(size("123"), size("12"));
  EXPECT_EQ(size("5ч"), size("12"));
  EXPECT_EQ(size("45м"), size("123"));
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

TEST(StatusItemContentViewTest, OnAnyPanelTheLookChosenKeepsDotsAndTextLegible) {
  auto grey = [](int level) { return Color{level / 255.0, level / 255.0, level / 255.0, 1}; };
  struct Case {
    const char* panel;
    Color background;
    Appearance expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"black", grey(0), Appearance::dark},
           {"Xfce's dark panel", grey(53), Appearance::dark},
           {"dark grey", grey(100), Appearance::dark},
           {"mid grey", grey(128), Appearance::light},
           {"light grey", grey(220), Appearance::light},
           {"white", grey(255), Appearance::light},
           {"saturated blue", Color{0.1, 0.2, 0.8, 1}, Appearance::dark},
           {"yellow", Color{0.95, 0.85, 0.2, 1}, Appearance::light},
       }) {
    SCOPED_TRACE(c.panel);
    const Appearance appearance = appearanceOnBackground(c.background);
    EXPECT_EQ(appearance, c.expected);
    StatusItemContentView view;
    view.appearance = appearance;
    view.countdownText = "12";
    const RecordingCanvas canvas = drawn(view);
    for (const Dot& dot : ringDots(canvas)) {
      if (dot.index == 6) continue;  // the accent
      EXPECT_GE(contrastRatio(dot.color, c.background), 3.0) << dot.index;
    }
    EXPECT_GE(contrastRatio(canvas.callsOf(CanvasCall::Kind::drawText).at(0).color, c.background),
              3.0);
  }
  // A tray that says what colour its own text is: light text sits on a dark panel.
  EXPECT_EQ(appearanceForForeground(Color{0.93, 0.93, 0.93, 1}), Appearance::dark);
  EXPECT_EQ(appearanceForForeground(Color{0.18, 0.2, 0.21, 1}), Appearance::light);
  EXPECT_NEAR(contrastRatio(grey(0), grey(255)), 21, 1e-9);
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
