#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "menubar/DragOverlayPanel.h"
#include "menubar/DragSession.h"
#include "menubar/StatusBarPlatform.h"
#include "platform/ViewSurface.h"

namespace brindlecap {

// The press-drag-release gesture on the icon: one DragSession per press, paced by its own frame
// driver, turning the pointer's travel below the press into a duration shown by the overlay. It
// says how a press ended; what opens then is the owner's business. Main thread only; must be
// owned by a std::shared_ptr (a session's callbacks hold it weakly). Destroying it cancels the
// active session.
class DragGesture : public std::enable_shared_from_this<DragGesture> {
 public:
  static constexpr double kClickTolerance = 3;  // points from the press
  // Click-and-move: a click before the gesture is live this close to where it was armed is a
  // click on the icon; farther away it only disarms the gesture.
  static constexpr double kClickAndMoveIconRadius = 12;

  // `overlay` must outlive the gesture.
  DragGesture(StatusBarPlatform platform, DragOverlayPanel& overlay);
  ~DragGesture();
  DragGesture(const DragGesture&) = delete;
  DragGesture& operator=(const DragGesture&) = delete;

  // The icons' dragging look: on at the first frame at or below the start line, off at the end.
  std::function<void(bool isDragging)> onDraggingChanged;
  // A release after the pointer reached the start line; the duration in seconds.
  std::function<void(double duration, DrawnView* anchor)> onDurationChosen;
  // A release that never left the click tolerance.
  std::function<void(DrawnView* anchor, bool listWasShownAtPress)> onClick;

  // Starts a session for a press on `anchor`, cancelling any active one; without a screen no
  // session starts.
  void begin(DrawnView& anchor, bool listWasShownAtPress);
  // The same gesture armed by a click, without a held button: the pointer is followed until the
  // next click, which ends it as a release would. False (and nothing started) when there is no
  // screen or the pointer cannot be had.
  bool beginClickAndMove(DrawnView& anchor);
  // One update of `session` with the pointer where it is now; `timestamp` in monotonic seconds.
  void renderDragFrame(const std::shared_ptr<DragSession>& session, double timestamp);
  // Ends `session` if it is the active one. Takes it by value: finishing clears
  // `activeDragSession`, which callers often pass.
  void finishDragSession(std::shared_ptr<DragSession> session, bool cancelled);
  void cancel() { finishDragSession(activeDragSession_, true); }

  // The icon's centre in global points; nothing while `anchor` is not on screen.
  static std::optional<Point> tetherStartPoint(const DrawnView& anchor);
  const std::shared_ptr<DragSession>& activeDragSession() const { return activeDragSession_; }

 private:
  std::shared_ptr<DragSession> makeSession(DrawnView& anchor, bool listWasShownAtPress);
  void startSession(const std::shared_ptr<DragSession>& session, DragEventMonitor::Token monitor);
  bool handleDragEvent(const std::shared_ptr<DragSession>& session, const DragEvent& event);
  bool handleClickAndMoveEvent(const std::shared_ptr<DragSession>& session, const DragEvent& event);
  void setDragging(bool dragging);

  StatusBarPlatform platform_;
  DragOverlayPanel& overlay_;
  std::shared_ptr<DragSession> activeDragSession_;
};

}  // namespace brindlecap
