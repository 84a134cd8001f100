#pragma once

#include <optional>

#include "platform/Geometry.h"

namespace brindlecap {

// The duration range selected by the pointer's offset to the right of the press point.
enum class DragDurationCorridor { precise, extended, days };

// Largest selectable duration of the corridor, in minutes: 240, 1440 or 10080.
constexpr int largestMinutes(DragDurationCorridor corridor) {
  switch (corridor) {
    case DragDurationCorridor::precise:
      return 240;
    case DragDurationCorridor::extended:
      return 1440;
    case DragDurationCorridor::days:
      return 10080;
  }
  return 240;
}

// Quantisation step of the corridor, in minutes: 15 for extended, 60 for days; the precise
// corridor uses the speed tracker's step (5 when `preciseStep` is 5, otherwise 1).
constexpr int stepMinutes(DragDurationCorridor corridor, int preciseStep = 1) {
  switch (corridor) {
    case DragDurationCorridor::precise:
      return preciseStep == 5 ? 5 : 1;
    case DragDurationCorridor::extended:
      return 15;
    case DragDurationCorridor::days:
      return 60;
  }
  return 1;
}

// Where duration travel begins and how much travel spans a whole corridor, both in points (y up).
struct DragStartLine {
  double durationStartY = 0;
  double durationTravelDistance = 1;  // always at least 1
};

// The arithmetic that turns a drag from the menu-bar icon into a duration. Pure; no instances.
struct DragDurationModel {
  DragDurationModel() = delete;

  // Corridor for this frame, given pointer.x − press.x in points (left of the press counts as 0)
  // and the corridor in force. Widens at ≥ 60 / ≥ 144, narrows at ≤ 120 / ≤ 44.
  static DragDurationCorridor corridor(double horizontalOffset, DragDurationCorridor current);

  // Whole minutes for `travel` points below the start line, out of `durationTravelDistance`;
  // a multiple of the corridor's step between one step and the corridor's largest duration.
  static int quantizedMinutes(double travel, double durationTravelDistance,
                              DragDurationCorridor corridor, int minuteStep);

  // Pointer y at which a `bubbleSize` bubble centred on the pointer just fits under the top of
  // `visibleFrame` inset by 8; nothing when the bubble fits on neither side of `press`.
  static std::optional<double> centeredDragStartY(Point press, Rect visibleFrame, Size bubbleSize);

  // The start line for a press: 3 points below the press, or lower at the centred start height.
  static DragStartLine startLine(Point press, Rect visibleFrame,
                                 std::optional<double> centeredStartY);
};

// Smoothed vertical pointer speed over one drag, choosing the precise corridor's minute step.
// Positions in points, timestamps in seconds on the monotonic clock, speed in points per second.
struct DragSpeedTracker {
  double lastY = 0;
  double lastTimestamp = 0;
  double smoothedSpeed = 0;
  int minuteStep = 1;

  // A tracker at rest at the press.
  static DragSpeedTracker start(double y, double timestamp);

  // Feeds one frame's pointer y and timestamp; returns the minute step for that frame (1 or 5).
  int update(double y, double timestamp);
};

}  // namespace brindlecap
