#pragma once

#include <memory>
#include <optional>

#include "menubar/DragDurationModel.h"
#include "menubar/DragLineView.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "platform/Screens.h"
#include "platform/TopBarWindows.h"

namespace brindlecap {

// The bubble beside the pointer and the tether from the icon while a drag is active. Global
// points, y up. Main thread only.
class DragOverlayPanel {
 public:
  static constexpr Size kBubbleSize{224, 58};  // the bubble's least size; it grows to its texts
  static constexpr double kScreenInset = 8;
  static constexpr double kPointerGap = 8.25;

  DragOverlayPanel(TopBarWindowFactory& windows, const Screens& screens, const WallClock& clock,
                   const DateFormatter& dates);

  // The pointer height at which the bubble, centred on the pointer, just fits under the top of
  // the usable area; nothing off-screen or when the bubble fits on neither side.
  std::optional<double> centeredDragStartY(Point point) const;

  // Moves the bubble and the tether; texts change only with the duration or corridor.
  void show(Point start, Point end, double duration, TimePoint fireDate,
            DragDurationCorridor corridor);
  // Hides both windows and forgets what was shown, so the next show rewrites the texts.
  void hide();

  void setFunctionalColor(const Color& color);
  void setAppearance(Appearance appearance) { bubble_->setAppearance(appearance); }
  const Color& functionalColor() const { return functionalColor_; }

  DragLineView& lineView() { return lineView_; }
  BubbleWindow& bubbleWindow() { return *bubble_; }
  LineWindow& lineWindow() { return *line_; }
  const std::optional<double>& displayedDuration() const { return displayedDuration_; }
  const std::optional<DragDurationCorridor>& displayedCorridor() const {
    return displayedCorridor_;
  }

  static const char* symbolName(DragDurationCorridor corridor);
  static const char* caption(DragDurationCorridor corridor);
  // The frame of a bubble of `size` for a pointer at `end` on a screen with `visibleFrame`.
  static Rect bubbleFrame(Point end, const Rect& visibleFrame, Size size);

 private:
  const Screens& screens_;
  const WallClock& clock_;
  const DateFormatter& dates_;
  DragLineView lineView_;
  std::unique_ptr<BubbleWindow> bubble_;
  std::unique_ptr<LineWindow> line_;
  std::optional<double> displayedDuration_;
  std::optional<DragDurationCorridor> displayedCorridor_;
  Color functionalColor_;
};

}  // namespace brindlecap
