#include "menubar/DragDurationModel.h"

#include <gtest/gtest.h>

namespace brindlecap {
namespace {

using Corridor = DragDurationCorridor;

constexpr Size kBubble{224, 58};

TEST(DragDurationModelTest, StartLineSitsWhereTheCentredBubbleFirstFits) {
  const Rect visible(0, 0, 1440, 875);
  const Point press{1200, 887};

  // Too close to the right edge for the bubble, so it goes left; the height is the same.
  const auto centred = DragDurationModel::centeredDragStartY(press, visible, kBubble);
  ASSERT_TRUE(centred.has_value());
  EXPECT_DOUBLE_EQ(*centred, 838);
  auto expectLine = [](const auto& line, double startY, double travel) {
    EXPECT_DOUBLE_EQ(line.durationStartY, startY);
    EXPECT_DOUBLE_EQ(line.durationTravelDistance, travel);
  };
  expectLine(DragDurationModel::startLine(press, visible, centred), 838, 830);
  // A press further down the screen starts 3 points below itself.
  expectLine(DragDurationModel::startLine({700, 500}, visible, centred), 497, 489);
  // Without a centred height only the press counts; travel is measured to the inset bottom of a
  // screen that does not start at y = 0.
  expectLine(DragDurationModel::startLine({300, 200}, Rect(0, -900, 1440, 875), {}), 197, 1089);
  // A press at the very bottom still leaves a travel of one point.
  expectLine(DragDurationModel::startLine({300, 9}, visible, {}), 6, 1);
}

TEST(DragDurationModelTest, CentredStartHeightNeedsRoomOnOneSide) {
  const Rect visible(0, 0, 1440, 875);
  // Exactly touching the inset right edge (1432) still fits on the right.
  EXPECT_TRUE(DragDurationModel::centeredDragStartY({1199.75, 500}, visible, kBubble));
  // Exactly touching the inset left edge (8) still fits on the left.
  EXPECT_TRUE(DragDurationModel::centeredDragStartY({240.25, 500}, Rect(0, 0, 470, 875), kBubble));

  // Narrower than 480.5 points, a press in the middle fits on neither side.
  EXPECT_FALSE(DragDurationModel::centeredDragStartY({240, 500}, Rect(0, 0, 480, 875), kBubble));
  const auto justWide =
      DragDurationModel::centeredDragStartY({240.25, 500}, Rect(0, 0, 480.5, 875), kBubble);
  ASSERT_TRUE(justWide.has_value());
  EXPECT_DOUBLE_EQ(*justWide, 867 - 29);

  // The height follows the screen's own top, not the press.
  const auto upper =
      DragDurationModel::centeredDragStartY({2000, 1500}, Rect(1440, 900, 1920, 1050), kBubble);
  ASSERT_TRUE(upper.has_value());
  EXPECT_DOUBLE_EQ(*upper, 900 + 1050 - 8 - 29);
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
