#include "menubar/DragGesture.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "menubar/DragDurationModel.h"

namespace brindlecap {

DragGesture::DragGesture(StatusBarPlatform platform, DragOverlayPanel& overlay)
    : platform_(std::move(platform)), overlay_(overlay) {}

DragGesture::~DragGesture() {
  cancel();
}

std::optional<Point> DragGesture::tetherStartPoint(const DrawnView& anchor) {
  if (!anchor.surface()) return std::nullopt;
  auto frame = anchor.surface()->frameInScreen();
  if (!frame) return std::nullopt;
  // The centre of the 19-point icon square, which is centred in the view.
  return Point{frame->midX(), frame->midY()};
}

std::shared_ptr<DragSession> DragGesture::makeSession(DrawnView& anchor, bool listWasShownAtPress) {
  cancel();
  const Point press = platform_.screens.pointerLocation();
  const Point tether = tetherStartPoint(anchor).value_or(press);
  const auto screens = platform_.screens.screens();
  std::optional<ScreenInfo> screen = screenContaining(screens, press);
  if (!screen && anchor.surface()) {
    if (auto frame = anchor.surface()->frameInScreen())
      screen = screenContaining(screens, Point{frame->midX(), frame->midY()});
  }
  if (!screen && !screens.empty()) screen = screens.front();
  if (!screen) return nullptr;

  const DragStartLine line =
      DragDurationModel::startLine(press, screen->visibleFrame, overlay_.centeredDragStartY(press));
  const double pressTime = platform_.monotonicClock.uptime();

  auto session = std::make_shared<DragSession>();
  session->anchor = &anchor;
  session->listWasShownAtPress = listWasShownAtPress;
  session->gestureStartPoint = press;
  session->tetherStartPoint = tether;
  session->durationStartY = line.durationStartY;
  session->durationTravelDistance = line.durationTravelDistance;
  session->displayLinkDriver = std::make_shared<DragDisplayLinkDriver>(
      platform_.mainQueue, platform_.displayLinks, &platform_.diagnostics);
  session->speedTracker = DragSpeedTracker::start(press.y, pressTime);
  session->framesPerSecond = screen->maximumFramesPerSecond;
  return session;
}

void DragGesture::startSession(const std::shared_ptr<DragSession>& session,
                               DragEventMonitor::Token monitor) {
  activeDragSession_ = session;
  session->eventMonitor = std::move(monitor);
  std::weak_ptr<DragGesture> weakSelf = weak_from_this();
  std::weak_ptr<DragSession> weakSession = session;
  session->displayLinkDriver->start(session->framesPerSecond,
                                    [weakSelf, weakSession](double timestamp) {
                                      auto self = weakSelf.lock();
                                      auto s = weakSession.lock();
                                      if (self && s && self->activeDragSession_ == s)
                                        self->renderDragFrame(s, timestamp);
                                    });
}

// The monitor's handler: acts only while its session is the active one.
template <class Handle>
static std::function<bool(const DragEvent&)> sessionHandler(std::weak_ptr<DragGesture> weakSelf,
                                                            std::weak_ptr<DragSession> weakSession,
                                                            Handle handle) {
  return [weakSelf, weakSession, handle](const DragEvent& e) {
    auto self = weakSelf.lock();
    auto s = weakSession.lock();
    if (!self || !s || self->activeDragSession() != s) return false;
    return handle(*self, s, e);
  };
}

void DragGesture::begin(DrawnView& anchor, bool listWasShownAtPress) {
  auto session = makeSession(anchor, listWasShownAtPress);
  if (!session) return;
  activeDragSession_ = session;  // the monitor's handler checks it
  startSession(session, platform_.dragEvents.install(sessionHandler(
                            weak_from_this(), session,
                            [](DragGesture& self, const auto& s, const DragEvent& e) {
                              return self.handleDragEvent(s, e);
                            })));
}

bool DragGesture::beginClickAndMove(DrawnView& anchor) {
  auto session = makeSession(anchor, false);
  if (!session) return false;
  session->isClickAndMove = true;
  activeDragSession_ = session;
  auto monitor = platform_.dragEvents.installGrabbing(sessionHandler(
      weak_from_this(), session, [](DragGesture& self, const auto& s, const DragEvent& e) {
        return self.handleClickAndMoveEvent(s, e);
      }));
  if (!monitor) {
    activeDragSession_.reset();
    return false;
  }
  startSession(session, std::move(monitor));
  return true;
}

bool DragGesture::handleDragEvent(const std::shared_ptr<DragSession>& session,
                                  const DragEvent& event) {
  switch (event.type) {
    case DragEvent::Type::keyDown:
      if (event.keyCode != kEscapeKeyCode) return false;
      finishDragSession(session, true);
      return true;
    case DragEvent::Type::leftMouseUp:
      renderDragFrame(session, platform_.monotonicClock.uptime());
      finishDragSession(session, false);
      return false;
    case DragEvent::Type::leftMouseDragged:  // frames are paced by the display link
    case DragEvent::Type::leftMouseDown:
    case DragEvent::Type::otherMouseDown:
      return false;
  }
  return false;
}

// Every event is ours while the pointer is held: none may reach whatever lies under it.
bool DragGesture::handleClickAndMoveEvent(const std::shared_ptr<DragSession>& session,
                                          const DragEvent& event) {
  switch (event.type) {
    case DragEvent::Type::keyDown:
      if (event.keyCode == kEscapeKeyCode) finishDragSession(session, true);
      return true;
    case DragEvent::Type::otherMouseDown:
      finishDragSession(session, true);
      return true;
    case DragEvent::Type::leftMouseDown:
      session->sawPressSinceArming = true;
      return true;
    case DragEvent::Type::leftMouseUp: {
      if (!session->sawPressSinceArming) return true;
      renderDragFrame(session, platform_.monotonicClock.uptime());
      const Point q = platform_.screens.pointerLocation();
      const Point start = session->gestureStartPoint;
      session->endedOnIcon = std::hypot(q.x - start.x, q.y - start.y) <= kClickAndMoveIconRadius;
      finishDragSession(session, false);
      return true;
    }
    case DragEvent::Type::leftMouseDragged:
      return true;
  }
  return true;
}

void DragGesture::renderDragFrame(const std::shared_ptr<DragSession>& session, double timestamp) {
  DragSession& s = *session;
  const Point q = platform_.screens.pointerLocation();
  if (std::hypot(q.x - s.gestureStartPoint.x, q.y - s.gestureStartPoint.y) >= kClickTolerance)
    s.didMoveBeyondClickTolerance = true;
  const int minuteStep = s.speedTracker.update(q.y, timestamp);
  if (q.y > s.durationStartY && !s.isDragging) return;

  const double travel = std::max(s.durationStartY - q.y, 0.0);
  if (!s.isCursorHidden) {
    platform_.cursor.hide();
    s.isCursorHidden = true;
  }
  if (!s.isDragging) {
    s.isDragging = true;
    setDragging(true);
  }
  const DragDurationCorridor corridor =
      DragDurationModel::corridor(q.x - s.gestureStartPoint.x, s.corridor);
  const bool corridorChanged = corridor != s.corridor;
  s.corridor = corridor;
  s.selectedDuration = 60.0 * DragDurationModel::quantizedMinutes(travel, s.durationTravelDistance,
                                                                  corridor, minuteStep);
  if (corridorChanged) platform_.haptics.performAlignment();

  if (s.lastRenderedPoint == q && s.lastRenderedDuration == s.selectedDuration &&
      s.lastRenderedCorridor == s.corridor)
    return;  // nothing visible changed
  s.lastRenderedPoint = q;
  s.lastRenderedDuration = s.selectedDuration;
  s.lastRenderedCorridor = s.corridor;
  overlay_.show(s.tetherStartPoint, q, s.selectedDuration,
                platform_.clock.now() + s.selectedDuration, s.corridor);
}

void DragGesture::finishDragSession(std::shared_ptr<DragSession> session, bool cancelled) {
  if (!session || session != activeDragSession_) return;
  activeDragSession_.reset();
  session->displayLinkDriver->stop();
  if (session->eventMonitor) {
    platform_.dragEvents.remove(session->eventMonitor);
    session->eventMonitor.reset();
  }
  overlay_.hide();
  setDragging(false);
  if (session->isCursorHidden) {
    platform_.cursor.unhide();
    session->isCursorHidden = false;
  }
  if (cancelled) return;
  if (session->isDragging) {
    if (onDurationChosen) onDurationChosen(session->selectedDuration, session->anchor);
  } else if (session->isClickAndMove ? session->endedOnIcon
                                     : !session->didMoveBeyondClickTolerance) {
    if (onClick) onClick(session->anchor, session->listWasShownAtPress);
  }
}

void DragGesture::setDragging(bool dragging) {
  if (onDraggingChanged) onDraggingChanged(dragging);
}

}  // namespace brindlecap
