#include "menubar/DragDurationModel.h"

#include <algorithm>
#include <cmath>

namespace brindlecap {

namespace {

// Corridor thresholds in points. Widening and narrowing use different lines so that a pointer
// resting on a boundary does not make the corridor (and its haptic tick) flicker.
constexpr double kEnterDays = 144;
constexpr double kLeaveDays = 120;
constexpr double kEnterExtended = 60;
constexpr double kLeaveExtended = 44;

// The bubble keeps this gap from the pointer and the screen edges keep this margin; the start
// line is where the bubble, centred on the pointer, first fits in full.
constexpr double kBubbleGap = 8.25;
constexpr double kScreenMargin = 8;
// A press that moves less than this is still a click, so travel starts below it.
constexpr double kClickSlop = 3;

// Speed tracking: a floor on the frame interval keeps two events in the same millisecond from
// reading as a huge speed; the 80 ms time constant smooths single-frame jitter.
constexpr double kMinimumFrameInterval = 1.0 / 240.0;
constexpr double kSmoothingTimeConstant = 0.08;
constexpr double kFastSpeed = 220;
constexpr double kSlowSpeed = 90;
constexpr int kFineStep = 1;
constexpr int kCoarseStep = 5;

}  // namespace

DragDurationCorridor DragDurationModel::corridor(double horizontalOffset,
                                                 DragDurationCorridor current) {
  // Written as a comparison rather than std::max so that a NaN offset also counts as 0.
  const double o = horizontalOffset > 0 ? horizontalOffset : 0;
  if (o >= kEnterDays) return DragDurationCorridor::days;
  if (o <= kLeaveExtended) return DragDurationCorridor::precise;
  if (o > kLeaveDays) {
    return current == DragDurationCorridor::days ? DragDurationCorridor::days
                                                 : DragDurationCorridor::extended;
  }
  if (o >= kEnterExtended) return DragDurationCorridor::extended;
  return current == DragDurationCorridor::precise ? DragDurationCorridor::precise
                                                  : DragDurationCorridor::extended;
}

int DragDurationModel::quantizedMinutes(double travel, double durationTravelDistance,
                                        DragDurationCorridor corridor, int minuteStep) {
  // The start line guarantees a distance of at least 1; holding to that here keeps a bad caller
  // from dividing by zero.
  const double distance = std::max(durationTravelDistance, 1.0);
  const double fraction = std::clamp(std::max(travel, 0.0) / distance, 0.0, 1.0);
  const int largest = largestMinutes(corridor);
  const int step = stepMinutes(corridor, minuteStep);
  // Rounding to whole minutes first keeps the result linear in travel; the step snaps after.
  const double raw = std::round(fraction * largest);
  const double steps = std::round(std::max<double>(step, raw) / step);
  return std::clamp(static_cast<int>(steps) * step, step, largest);
}

std::optional<double> DragDurationModel::centeredDragStartY(Point press, Rect visibleFrame,
                                                            Size bubbleSize) {
  const Rect usable = visibleFrame.insetBy(kScreenMargin, kScreenMargin);
  const bool fitsRight = press.x + kBubbleGap + bubbleSize.width <= usable.maxX();
  const bool fitsLeft = usable.minX() <= press.x - kBubbleGap - bubbleSize.width;
  if (!fitsRight && !fitsLeft) return std::nullopt;
  return usable.maxY() - bubbleSize.height / 2;
}

DragStartLine DragDurationModel::startLine(Point press, Rect visibleFrame,
                                           std::optional<double> centeredStartY) {
  double startY = press.y - kClickSlop;
  // Under the menu bar the bubble would be cut off at the press; delaying the start line until it
  // fits means the first duration shown is fully visible.
  if (centeredStartY) startY = std::min(startY, *centeredStartY);
  const double bottom = visibleFrame.insetBy(kScreenMargin, kScreenMargin).minY();
  // Whatever the screen height, the bottom of the usable area is the corridor's largest duration.
  return {startY, std::max(startY - bottom, 1.0)};
}

DragSpeedTracker DragSpeedTracker::start(double y, double timestamp) {
  return {y, timestamp, 0, kFineStep};
}

int DragSpeedTracker::update(double y, double timestamp) {
  const double dt = std::max(timestamp - lastTimestamp, kMinimumFrameInterval);
  const double speed = std::abs(y - lastY) / dt;
  const double weight = std::min(dt / kSmoothingTimeConstant, 1.0);
  smoothedSpeed += (speed - smoothedSpeed) * weight;
  // Separate thresholds for coarsening and refining keep the step from toggling at one speed.
  if (minuteStep == kCoarseStep && smoothedSpeed <= kSlowSpeed) {
    minuteStep = kFineStep;
  } else if (minuteStep == kFineStep && smoothedSpeed >= kFastSpeed) {
    minuteStep = kCoarseStep;
  }
  lastY = y;
  lastTimestamp = timestamp;
  return minuteStep;
}

}  // namespace brindlecap
