#include "menubar/DragDurationModel.h"

#include <gtest/gtest.h>

namespace brindlecap {
namespace {

using Corridor = DragDurationCorridor;

constexpr Size kBubble{224, 58};

TEST(DragDurationModelTest, CentredStartHeightNeedsRoomOnOneSideAndFollowsTheScreensTop) {
  const Rect visible(0, 0, 1440, 875);
  struct Case {
    const char* name;
    Point press;
    Rect visible;
    std::optional<double> y;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"no room on the right: left, same height", {1200, 887}, visible, 838},
           {"touching the inset right edge", {1199.75, 500}, visible, 838},
           {"touching the inset left edge", {240.25, 500}, Rect(0, 0, 470, 875), 838},
           {"room on neither side", {240, 500}, Rect(0, 0, 480, 875), std::nullopt},
           {"just wide enough", {240.25, 500}, Rect(0, 0, 480.5, 875), 838},
           {"the screen's own top", {2000, 1500}, Rect(1440, 900, 1920, 1050), 1913},
       }) {
    EXPECT_EQ(DragDurationModel::centeredDragStartY(c.press, c.visible, kBubble), c.y) << c.name;
  }
}

TEST(DragDurationModelTest, StartLineIsTheCentredHeightOrJustBelowThePress) {
  const Rect visible(0, 0, 1440, 875);
  struct Case {
    Point press;
    Rect visible;
    std::optional<double> centred;
    double startY, travel;  // travel: to the bottom of the visible frame inset by 8
  };
  for (const Case& c : std::initializer_list<Case>{
           {{1200, 887}, visible, 838, 838, 830},
           {{700, 500}, visible, 838, 497, 489},
           {{300, 200}, Rect(0, -900, 1440, 875), std::nullopt, 197, 1089},
           {{300, 9}, visible, std::nullopt, 6, 1},  // never less than one point
       }) {
    const DragStartLine line = DragDurationModel::startLine(c.press, c.visible, c.centred);
    EXPECT_EQ(line.durationStartY, c.startY) << c.press.y;
    EXPECT_EQ(line.durationTravelDistance, c.travel) << c.press.y;
  }
}

struct TravelRow {
  double travel;
  int preciseFine;
  int preciseCoarse;
  int extended;
  int days;
};

TEST(DragDurationModelTest, TravelMapsToQuantisedMinutesInEveryCorridor) {
  constexpr double kDistance = 800;
  const TravelRow rows[] = {
      {0, 1, 5, 15, 60},
      {-40, 1, 5, 15, 60},  // above the start line once the drag is active
      {2, 1, 5, 15, 60},
      {100, 30, 30, 180, 1260},
      {250, 75, 75, 450, 3180},  // days: 3150 / 60 = 52.5 rounds away from zero
      {400, 120, 120, 720, 5040},
      {796, 239, 240, 1440, 10020},
      {800, 240, 240, 1440, 10080},
      {5000, 240, 240, 1440, 10080},  // below the usable area: never beyond the largest
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.travel);
    EXPECT_EQ(DragDurationModel::quantizedMinutes(row.travel, kDistance, Corridor::precise, 1),
              row.preciseFine);
    EXPECT_EQ(DragDurationModel::quantizedMinutes(row.travel, kDistance, Corridor::precise, 5),
              row.preciseCoarse);
    // The tracker's step applies to the precise corridor only.
    EXPECT_EQ(DragDurationModel::quantizedMinutes(row.travel, kDistance, Corridor::extended, 5),
              row.extended);
    EXPECT_EQ(DragDurationModel::quantizedMinutes(row.travel, kDistance, Corridor::days, 1),
              row.days);
  }

  // Whole minutes first, then steps: 89.6 → 90 min → 1.5 steps → 120, where snapping the
  // unrounded 89.6 would give 60.
  EXPECT_EQ(DragDurationModel::quantizedMinutes(89.6, 10080, Corridor::days, 1), 120);
}

struct HysteresisRow {
  double offset;
  Corridor fromPrecise;
  Corridor fromExtended;
  Corridor fromDays;
};

TEST(DragDurationModelTest, CorridorWidensAndNarrowsAtDifferentOffsets) {
  using enum DragDurationCorridor;
  const HysteresisRow rows[] = {
      {-1, precise, precise, precise},  // left of the press counts as no offset
      {0, precise, precise, precise},     {40, precise, precise, precise},
      {44, precise, precise, precise},    {44.5, precise, extended, extended},
      {50, precise, extended, extended},  {59.9, precise, extended, extended},
      {60, extended, extended, extended}, {120, extended, extended, extended},
      {120.5, extended, extended, days},  {130, extended, extended, days},
      {143.9, extended, extended, days},  {144, days, days, days},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.offset);
    EXPECT_EQ(DragDurationModel::corridor(row.offset, precise), row.fromPrecise);
    EXPECT_EQ(DragDurationModel::corridor(row.offset, extended), row.fromExtended);
    EXPECT_EQ(DragDurationModel::corridor(row.offset, days), row.fromDays);
  }
}

TEST(DragSpeedTrackerTest, FrameIntervalHasAFloorSoJitterBarelyMovesTheSpeed) {
  auto tracker = DragSpeedTracker::start(500, 10);

  // One point in one millisecond reads as 240 pt/s over the 1/240 s floor and moves the smoothed
  // speed about 5 % of the way there.
  EXPECT_EQ(tracker.update(499, 10.001), 1);
  EXPECT_NEAR(tracker.smoothedSpeed, 240.0 * (1.0 / 240.0) / 0.08, 1e-9);

  // From a settled 100 pt/s, a motionless frame 1 ms later decays by the floored weight
  // (1/240 ÷ 0.08), not by 0.001 ÷ 0.08.
  tracker = DragSpeedTracker::start(500, 10);
  tracker.update(487.5, 10.125);
  ASSERT_DOUBLE_EQ(tracker.smoothedSpeed, 100);
  tracker.update(487.5, 10.126);
  EXPECT_NEAR(tracker.smoothedSpeed, 100 - 100 * (1.0 / 240.0) / 0.08, 1e-9);

  // Timestamps that repeat or run backwards are floored too, never a division by zero.
  tracker = DragSpeedTracker::start(500, 10);
  tracker.update(499, 10);
  EXPECT_NEAR(tracker.smoothedSpeed, 12.5, 1e-9);
  tracker.update(500, 9.5);
  EXPECT_NEAR(tracker.smoothedSpeed, 12.5 + (240 - 12.5) * (1.0 / 240.0) / 0.08, 1e-9);
  EXPECT_DOUBLE_EQ(tracker.lastTimestamp, 9.5);
}

TEST(DragSpeedTrackerTest, StepSwitchesAtExactThresholdsWithHysteresis) {
  // Frames 1/8 s apart give full weight, so the smoothed speed equals the frame's speed.
  auto tracker = DragSpeedTracker::start(800, 0);
  double t = 0;
  double y = 800;
  auto frame = [&](double speed) {
    t += 0.125;
    y -= speed * 0.125;
    return tracker.update(y, t);
  };

  EXPECT_EQ(frame(219), 1);
  EXPECT_DOUBLE_EQ(tracker.smoothedSpeed, 219);
  EXPECT_EQ(frame(220), 5);  // exactly 220 coarsens
  EXPECT_EQ(frame(150), 5);  // between the thresholds the coarse step holds
  EXPECT_EQ(frame(91), 5);
  EXPECT_EQ(frame(90), 1);   // exactly 90 refines
  EXPECT_EQ(frame(150), 1);  // and between the thresholds the fine step holds
  EXPECT_EQ(frame(219.9), 1);

  // Upward movement counts the same as downward: speed is unsigned.
  t += 0.125;
  y += 27.5;
  EXPECT_EQ(tracker.update(y, t), 5);
  EXPECT_DOUBLE_EQ(tracker.smoothedSpeed, 220);
}

}  // namespace
}  // namespace brindlecap
