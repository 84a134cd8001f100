#include "menubar/StatusBarController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "menubar/MenuBarPlacementResolver.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {

namespace {
std::string formatMs(double milliseconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", milliseconds);
  return buffer;
}
}  // namespace

std::shared_ptr<StatusBarController> StatusBarController::create(
    std::shared_ptr<TimerStore> store, std::shared_ptr<AppSettingsStore> settings,
    StatusBarPlatform platform, OpenSettings onOpenSettings,
    PrepareToOpenList onPrepareToOpenList) {
  std::shared_ptr<StatusBarController> controller(
      new StatusBarController(std::move(store), std::move(settings), platform,
                              std::move(onOpenSettings), std::move(onPrepareToOpenList)));
  controller->start();
  return controller;
}

StatusBarController::StatusBarController(std::shared_ptr<TimerStore> store,
                                         std::shared_ptr<AppSettingsStore> settings,
                                         StatusBarPlatform platform, OpenSettings onOpenSettings,
                                         PrepareToOpenList onPrepareToOpenList)
    : store_(std::move(store)),
      settings_(std::move(settings)),
      platform_(platform),
      onOpenSettings_(std::move(onOpenSettings)),
      onPrepareToOpenList_(std::move(onPrepareToOpenList)),
      overlay_(std::make_unique<DragOverlayPanel>(platform.windows, platform.screens,
                                                  platform.clock, platform.dates)),
      listPopover_(platform.windows.makePopover()),
      draftPopover_(platform.windows.makePopover()) {
  statusItem_ = platform_.windows.makeStatusItem(statusContentView_);
}

StatusBarController::~StatusBarController() {
  if (activeDragSession_) finishDragSession(activeDragSession_, true);
  if (benchmarkDriver_) benchmarkDriver_->stop();
}

void StatusBarController::start() {
  loadDiagnosticSampleTimers();
  configureStatusItem();
  updateFunctionalColor();
  configurePopovers();
  observeStore();
  scheduleDiagnosticAction();
}

void StatusBarController::loadDiagnosticSampleTimers() {
  const Diagnostics& d = platform_.diagnostics;
  if (!d.isMode("timer_list") && !d.isMode("marketing_timer_list")) return;
  const TimePoint now = platform_.clock.now();
  store_->usesTransientDiagnosticItems = true;
  store_->items.set({
      TimerItem{Uuid::random(), "Чай", now - 600, now + 1800, {}, {}, {}},
      TimerItem{Uuid::random(), "Созвон с командой", now - 1800, now + 9000, {}, {}, {}},
  });
  store_->now.set(now);
}

void StatusBarController::configureStatusItem() {
  statusItem_->setVisible(true);
  statusItem_->setLength(currentStatusWidth_);
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  auto press = [weak](DrawnView& view) {
    if (auto self = weak.lock()) self->trackDrag(view);
  };
  auto rightRelease = [weak](DrawnView& view) {
    if (auto self = weak.lock()) self->toggleListPopover(&view);
  };
  statusContentView_.onMouseDown = press;
  statusContentView_.onRightMouseUp = rightRelease;
  fallbackView_.onMouseDown = press;
  fallbackView_.onRightMouseUp = rightRelease;
  statusItem_->setToolTip(std::string(StatusItemContentView::kToolTip));
  scheduled_.push_back(platform_.mainQueue.after(0.35, [weak] {
    if (auto self = weak.lock()) self->configureReachableAnchor();
  }));
}

void StatusBarController::observeStore() {
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  auto refresh = [weak](const auto&) {
    if (auto self = weak.lock()) {
      self->updateStatusItem();
      self->updateListPopoverSize();
    }
  };
  using ItemsDelivery = Published<std::vector<TimerItem>>::Delivery;
  cancellables_.push_back(store_->items.subscribe(refresh, ItemsDelivery::currentAndChanges));
  cancellables_.push_back(
      store_->now.subscribe(refresh, Published<TimePoint>::Delivery::changesOnly));
  cancellables_.push_back(settings_->menuBarPresentation.subscribe(
      [weak](const MenuBarPresentation&) {
        if (auto self = weak.lock()) self->updateStatusItem();
      },
      Published<MenuBarPresentation>::Delivery::currentAndChanges, true));
  cancellables_.push_back(settings_->threadColor.subscribe(
      [weak](const ThreadColorPreset&) {
        if (auto self = weak.lock()) self->updateFunctionalColor();
      },
      Published<ThreadColorPreset>::Delivery::changesOnly, true));
}

void StatusBarController::scheduleDiagnosticAction() {
  const Diagnostics& d = platform_.diagnostics;
  if (!d.isEnabled()) return;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  std::function<void(StatusBarController&)> action;
  if (d.isMode("1") || d.isMode("timer_list") || d.isMode("marketing_timer_list")) {
    action = [](StatusBarController& c) { c.toggleListPopover(nullptr); };
  } else if (d.isMode("new_timer")) {
    action = [](StatusBarController& c) {
      if (auto* anchor = c.activeAnchorView()) c.presentNewTimer(60, anchor);
    };
  } else if (d.isMode("drag_preview") || d.isMode("marketing_drag")) {
    action = [](StatusBarController& c) { c.showDiagnosticDragPreview(); };
  } else if (d.isMode("drag_animation")) {
    action = [](StatusBarController& c) {
      auto screens = c.platform_.screens.screens();
      std::stable_sort(screens.begin(), screens.end(), [](const auto& a, const auto& b) {
        return a.maximumFramesPerSecond > b.maximumFramesPerSecond;
      });
      c.runDiagnosticDragAnimation(std::move(screens), 0);
    };
  }
  if (!action) return;
  scheduled_.push_back(platform_.mainQueue.after(1.0, [weak, action] {
    if (auto self = weak.lock()) action(*self);
  }));
}

// --- The icon -----------------------------------------------------------------------------

void StatusBarController::updateStatusItem() {
  const Diagnostics& d = platform_.diagnostics;
  if (d.isMode("icon_active")) {
    updateIconState("12", 0.42);
  } else if (d.isMode("icon_idle")) {
    updateIconState(std::nullopt, std::nullopt);
  } else {
    const auto active = store_->activeItems();
    if (active.empty()) {
      updateIconState(std::nullopt, std::nullopt);
    } else {
      const TimerItem& next = active.front();
      const TimePoint now = store_->now.value();
      const double total = next.fireDate - next.createdAt;
      const double progress =
          total > 0 ? std::clamp((now - next.createdAt) / total, 0.0, 1.0) : 1.0;
      if (settings_->menuBarPresentation.value() == MenuBarPresentation::progressOnly)
        updateIconState(std::nullopt, progress);
      else
        updateIconState(TimeFormatting::iconRemaining(next.fireDate, now), std::nullopt);
    }
  }
  currentStatusWidth_ = kStatusWidth;
  statusItem_->setLength(kStatusWidth);
}

void StatusBarController::updateIconState(std::optional<std::string> countdown,
                                          std::optional<double> progress) {
  // The store ticks every second, but the icon changes far less often: redraw only then.
  for (StatusItemContentView* view : {&statusContentView_, &fallbackView_.statusContentView}) {
    if (view->countdownText == countdown && view->progress == progress) continue;
    view->countdownText = countdown;
    view->progress = progress;
    view->setNeedsDisplay();
  }
  fallbackView_.setNeedsDisplay();
}

void StatusBarController::updateFunctionalColor() {
  const Color color = brindlecap::color(settings_->threadColor.value());
  overlay_->setFunctionalColor(color);
  for (StatusItemContentView* view : {&statusContentView_, &fallbackView_.statusContentView}) {
    view->functionalColor = color;
    view->setNeedsDisplay();
  }
  fallbackView_.setNeedsDisplay();
}

DrawnView* StatusBarController::activeAnchorView() {
  if (statusContentView_.surface() && statusContentView_.surface()->frameInScreen())
    return &statusContentView_;
  return nullptr;
}

// --- The drag gesture -----------------------------------------------------------------------

std::optional<Point> StatusBarController::tetherStartPoint(DrawnView& anchor) const {
  if (!anchor.surface()) return std::nullopt;
  auto frame = anchor.surface()->frameInScreen();
  if (!frame) return std::nullopt;
  // The centre of the 19-point icon square, which is centred in the view.
  return Point{frame->midX(), frame->midY()};
}

void StatusBarController::trackDrag(DrawnView& anchor) {
  if (activeDragSession_) finishDragSession(activeDragSession_, true);
  const bool listWasShown = listPopover_->isShown();
  listPopover_->close();
  draftPopover_->close();

  const Point press = platform_.screens.pointerLocation();
  const Point tether = tetherStartPoint(anchor).value_or(press);
  const auto screens = platform_.screens.screens();
  std::optional<ScreenInfo> screen = screenContaining(screens, press);
  if (!screen && anchor.surface()) {
    if (auto frame = anchor.surface()->frameInScreen())
      screen = screenContaining(screens, Point{frame->midX(), frame->midY()});
  }
  if (!screen && !screens.empty()) screen = screens.front();
  if (!screen) return;

  const DragStartLine line = DragDurationModel::startLine(press, screen->visibleFrame,
                                                          overlay_->centeredDragStartY(press));
  const double pressTime = platform_.monotonicClock.uptime();

  auto session = std::make_shared<DragSession>();
  session->anchor = &anchor;
  session->listWasShownAtPress = listWasShown;
  session->gestureStartPoint = press;
  session->tetherStartPoint = tether;
  session->durationStartY = line.durationStartY;
  session->durationTravelDistance = line.durationTravelDistance;
  session->displayLinkDriver = std::make_shared<DragDisplayLinkDriver>(
      platform_.mainQueue, platform_.displayLinks, &platform_.diagnostics);
  session->speedTracker = DragSpeedTracker::start(press.y, pressTime);
  activeDragSession_ = session;

  std::weak_ptr<StatusBarController> weakSelf = weak_from_this();
  std::weak_ptr<DragSession> weakSession = session;
  session->eventMonitor = platform_.dragEvents.install([weakSelf, weakSession](const DragEvent& e) {
    auto self = weakSelf.lock();
    auto s = weakSession.lock();
    if (!self || !s || self->activeDragSession_ != s) return false;
    return self->handleDragEvent(s, e);
  });
  session->displayLinkDriver->start(screen->maximumFramesPerSecond,
                                    [weakSelf, weakSession](double timestamp) {
                                      auto self = weakSelf.lock();
                                      auto s = weakSession.lock();
                                      if (self && s && self->activeDragSession_ == s)
                                        self->renderDragFrame(s, timestamp);
                                    });
}

bool StatusBarController::handleDragEvent(const std::shared_ptr<DragSession>& session,
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
    case DragEvent::Type::leftMouseDragged:
      return false;  // frames are paced by the display link, not by pointer events
  }
  return false;
}

void StatusBarController::renderDragFrame(const std::shared_ptr<DragSession>& session,
                                          double timestamp) {
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
  overlay_->show(s.tetherStartPoint, q, s.selectedDuration,
                 platform_.clock.now() + s.selectedDuration, s.corridor);
}

void StatusBarController::setDragging(bool dragging) {
  for (StatusItemContentView* view : {&statusContentView_, &fallbackView_.statusContentView}) {
    view->isDragging = dragging;
    view->setNeedsDisplay();
    if (view->surface()) view->surface()->displayIfNeeded();
  }
}

void StatusBarController::hideOverlay() {
  overlay_->hide();
}

void StatusBarController::finishDragSession(std::shared_ptr<DragSession> session, bool cancelled) {
  if (!session || session != activeDragSession_) return;
  activeDragSession_.reset();
  session->displayLinkDriver->stop();
  if (session->eventMonitor) {
    platform_.dragEvents.remove(session->eventMonitor);
    session->eventMonitor.reset();
  }
  hideOverlay();
  setDragging(false);
  if (session->isCursorHidden) {
    platform_.cursor.unhide();
    session->isCursorHidden = false;
  }
  if (cancelled) return;
  if (session->isDragging) {
    presentNewTimer(session->selectedDuration, session->anchor);
  } else if (!session->didMoveBeyondClickTolerance) {
    if (session->listWasShownAtPress || listPopover_->isShown())
      listPopover_->close();
    else
      showListPopover(session->anchor);
  }
}

// --- Panels under the icon --------------------------------------------------------------------

void StatusBarController::presentNewTimer(double duration, DrawnView* anchor) {
  // Fixed now, so the time spent typing a title does not lengthen the timer.
  const TimePoint fireDate = platform_.clock.now() + duration;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  NewTimerPanelCallbacks callbacks;
  callbacks.onCreate = [weak, fireDate](const std::string& title) {
    auto self = weak.lock();
    if (!self) return;
    self->store_->add(title, fireDate);
    self->draftPopover_->close();
  };
  callbacks.onCancel = [weak] {
    if (auto self = weak.lock()) self->draftPopover_->close();
  };
  platform_.windows.setNewTimerContent(*draftPopover_, kNewTimerPanelSize, duration, fireDate,
                                       brindlecap::color(settings_->threadColor.value()),
                                       std::move(callbacks));
  platform_.mainQueue.async([weak, anchor] {
    auto self = weak.lock();
    if (!self || !anchor || !anchor->surface()) return;
    self->draftPopover_->show(*anchor->surface());
    self->constrainPopoverBelowMenuBar(*self->draftPopover_, *anchor);
  });
}

void StatusBarController::configurePopovers() {
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  TimerListCallbacks callbacks;
  callbacks.onOpenSettings = [weak] {
    auto self = weak.lock();
    if (!self) return;
    // Settings open only once the list has closed, growing out of where it was.
    self->pendingSettingsSourceFrame_ = self->listPopover_->windowFrame();
    self->opensSettingsAfterPopoverClose_ = true;
    self->listPopover_->close();
  };
  callbacks.onCreateTimer = [weak] {
    if (auto self = weak.lock()) self->showManualTimerComposer();
  };
  platform_.windows.setTimerListContent(*listPopover_, store_, settings_, std::move(callbacks));
  listPopover_->onClose = [weak] {
    if (auto self = weak.lock()) self->popoverDidClose();
  };
  updateListPopoverSize();
}

void StatusBarController::popoverDidClose() {
  if (!opensSettingsAfterPopoverClose_) return;
  auto frame = std::exchange(pendingSettingsSourceFrame_, std::nullopt);
  opensSettingsAfterPopoverClose_ = false;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  platform_.mainQueue.async([weak, frame] {
    if (auto self = weak.lock(); self && self->onOpenSettings_) self->onOpenSettings_(frame);
  });
}

double StatusBarController::listHeight(std::size_t activeCount) {
  if (activeCount == 0) return 280;
  return std::min(std::max(60.0 * static_cast<double>(activeCount) + 90, 180.0), 420.0);
}

void StatusBarController::updateListPopoverSize() {
  const Size size{kListWidth, listHeight(store_->activeItems().size())};
  if (listPopover_->contentSize() != size) listPopover_->setContentSize(size);
  if (shortcutListPanel_ && shortcutListPanel_->contentSize() != size)
    shortcutListPanel_->setContentSize(size);
}

void StatusBarController::showManualTimerComposer() {
  manualTimerSourceFrame_ = listPopover_->windowFrame();
  if (!manualTimerSourceFrame_ && shortcutListPanel_ && shortcutListPanel_->isVisible())
    manualTimerSourceFrame_ = shortcutListPanel_->frame();
  listPopover_->close();
  if (shortcutListPanel_) shortcutListPanel_->orderOut();
  presentManualTimerPanel();
}

void StatusBarController::presentManualTimerPanel() {
  if (!manualTimerPanel_)
    manualTimerPanel_ = platform_.windows.makeFloatingPanel("Новый таймер", kManualTimerPanelSize);
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  ManualTimerCallbacks callbacks;
  callbacks.onCreate = [weak](const std::string& title, double seconds) {
    auto self = weak.lock();
    if (!self) return;
    self->store_->add(title, self->platform_.clock.now() + seconds);
    self->manualTimerPanel_->orderOut();
  };
  callbacks.onCancel = [weak] {
    if (auto self = weak.lock()) self->manualTimerPanel_->orderOut();
  };
  platform_.windows.setManualTimerContent(
      *manualTimerPanel_, brindlecap::color(settings_->threadColor.value()), std::move(callbacks));
  manualTimerPanel_->setContentSize(kManualTimerPanelSize);
  positionFloatingPanel(*manualTimerPanel_, kManualTimerPanelSize, manualTimerSourceFrame_);
  manualTimerPanel_->makeKeyAndOrderFront();
}

void StatusBarController::showListFromShortcut() {
  if (shortcutListPanel_ && shortcutListPanel_->isVisible()) {
    shortcutListPanel_->orderOut();
    return;
  }
  listPopover_->close();
  draftPopover_->close();
  if (manualTimerPanel_) manualTimerPanel_->orderOut();
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  onPrepareToOpenList_([weak] {
    if (auto self = weak.lock()) self->presentShortcutListPanel();
  });
}

void StatusBarController::presentShortcutListPanel() {
  const Size size{kListWidth, listHeight(store_->activeItems().size())};
  if (!shortcutListPanel_) {
    shortcutListPanel_ = platform_.windows.makeFloatingPanel("Brindlecap", Size{kListWidth, 280});
    std::weak_ptr<StatusBarController> weak = weak_from_this();
    TimerListCallbacks callbacks;
    callbacks.onOpenSettings = [weak] {
      auto self = weak.lock();
      if (!self) return;
      const Rect frame = self->shortcutListPanel_->frame();
      self->shortcutListPanel_->orderOut();
      if (self->onOpenSettings_) self->onOpenSettings_(frame);
    };
    callbacks.onCreateTimer = [weak] {
      if (auto self = weak.lock()) self->showManualTimerComposer();
    };
    platform_.windows.setTimerListContent(*shortcutListPanel_, store_, settings_,
                                          std::move(callbacks));
  }
  shortcutListPanel_->setContentSize(size);
  positionFloatingPanel(*shortcutListPanel_, size, std::nullopt);
  shortcutListPanel_->makeKeyAndOrderFront();
}

void StatusBarController::positionFloatingPanel(FloatingPanel& panel, Size size,
                                                std::optional<Rect> source) {
  const auto screens = platform_.screens.screens();
  const double m = kFloatingPanelMargin;
  if (source) {
    auto screen = screenContaining(screens, Point{source->midX(), source->midY()});
    if (!screen && !screens.empty()) screen = screens.front();
    if (screen) {
      const Rect v = screen->visibleFrame;
      double x = source->midX() - size.width / 2;
      double y = source->maxY() - size.height;  // top edges aligned
      x = std::min(std::max(x, v.minX() + m), std::max(v.minX() + m, v.maxX() - m - size.width));
      y = std::min(std::max(y, v.minY() + m), std::max(v.minY() + m, v.maxY() - m - size.height));
      panel.setFrameOrigin(Point{x, y});
      return;
    }
  }
  const Point pointer = platform_.screens.pointerLocation();
  auto screen = screenContaining(screens, pointer);
  if (!screen && !screens.empty()) screen = screens.front();
  if (!screen) return;
  const Rect v = screen->visibleFrame;
  double x = std::max(pointer.x - size.width / 2, v.minX() + m);
  x = std::min(x, v.maxX() - size.width - m);
  panel.setFrameOrigin(Point{x, v.maxY() - size.height - kShortcutPanelDrop});
}

void StatusBarController::showListPopover(DrawnView* anchor) {
  if (!anchor) anchor = activeAnchorView();
  if (!anchor || !anchor->surface()) return;
  draftPopover_->close();
  if (shortcutListPanel_) shortcutListPanel_->orderOut();
  if (manualTimerPanel_) manualTimerPanel_->orderOut();
  if (listPopover_->isShown()) return;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  onPrepareToOpenList_([weak, anchor] {
    auto self = weak.lock();
    if (!self || self->listPopover_->isShown() || !anchor->surface()) return;
    self->listPopover_->show(*anchor->surface());
    self->constrainPopoverBelowMenuBar(*self->listPopover_, *anchor);
  });
}

void StatusBarController::toggleListPopover(DrawnView* anchor) {
  if (listPopover_->isShown())
    listPopover_->close();
  else
    showListPopover(anchor);
}

void StatusBarController::constrainPopoverBelowMenuBar(Popover& popover, DrawnView& anchor) {
  // Only the hanging fallback panel needs this; the status item's popovers are placed below it.
  if (&anchor != &fallbackView_) return;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  platform_.mainQueue.async([weak, &popover] {
    auto self = weak.lock();
    if (!self || !self->fallbackView_.surface()) return;
    auto anchorFrame = self->fallbackView_.surface()->frameInScreen();
    auto window = popover.windowFrame();
    if (!anchorFrame || !window) return;
    auto screen = screenContaining(self->platform_.screens.screens(),
                                   Point{anchorFrame->midX(), anchorFrame->midY()});
    if (!screen) return;
    const double edge = screen->auxiliaryTopRightArea ? screen->auxiliaryTopRightArea->minY()
                                                      : screen->visibleFrame.maxY();
    if (window->maxY() > edge - 4) popover.moveDown(window->maxY() - (edge - 4));
    if (auto moved = popover.windowFrame())
      self->platform_.diagnostics.print("POPOVER_FRAME", describe(*moved));
  });
}

// --- Diagnostics ------------------------------------------------------------------------------

void StatusBarController::showDiagnosticDragPreview() {
  DrawnView* anchor = activeAnchorView();
  if (!anchor) return;
  auto start = tetherStartPoint(*anchor);
  if (!start) return;
  setDragging(true);
  const Point end{start->x - 100, start->y - 150};
  overlay_->show(*start, end, 2400, platform_.clock.now() + 2400, DragDurationCorridor::precise);
  platform_.diagnostics.print("DRAG_PREVIEW_START", describe(*start));
  platform_.diagnostics.print("DRAG_PREVIEW_END", describe(end));
}

void StatusBarController::runDiagnosticDragAnimation(std::vector<ScreenInfo> screens,
                                                     std::size_t index) {
  if (index >= screens.size()) {
    if (platform_.terminate) platform_.terminate();
    return;
  }
  const ScreenInfo screen = screens[index];
  setDragging(true);

  struct Metrics {
    std::optional<double> firstTimestamp, previousTimestamp;
    std::vector<double> intervals, renders;
  };
  auto metrics = std::make_shared<Metrics>();
  const Point start{screen.frame.midX(), screen.frame.maxY() - 12};
  const double baseY = std::max(screen.visibleFrame.minY() + 90, screen.frame.maxY() - 360);
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  // Map the overlay's windows before measuring: the first mapping of a full-screen window costs
  // tens of milliseconds on X11 and says nothing about the frames of a drag.
  overlay_->show(start, Point{start.x, baseY}, 2400, platform_.clock.now() + 2400,
                 DragDurationCorridor::precise);
  benchmarkDriver_ = std::make_shared<DragDisplayLinkDriver>(
      platform_.mainQueue, platform_.displayLinks, &platform_.diagnostics);
  benchmarkDriver_->start(screen.maximumFramesPerSecond, [weak, metrics, start, baseY](double t) {
    auto self = weak.lock();
    if (!self) return;
    if (!metrics->firstTimestamp) metrics->firstTimestamp = t;
    if (metrics->previousTimestamp) metrics->intervals.push_back(t - *metrics->previousTimestamp);
    metrics->previousTimestamp = t;
    const double phase = (t - *metrics->firstTimestamp) / 1.5 * M_PI;
    const Point end{start.x + 80 * std::sin(4 * phase), baseY + 45 * (1 - std::cos(2 * phase))};
    const double before = self->platform_.monotonicClock.uptime();
    self->overlay_->show(start, end, 2400, self->platform_.clock.now() + 2400,
                         DragDurationCorridor::precise);
    metrics->renders.push_back(self->platform_.monotonicClock.uptime() - before);
  });
  scheduled_.push_back(platform_.mainQueue.after(1.5, [weak, metrics, screens, index, screen] {
    auto self = weak.lock();
    if (!self) return;
    self->benchmarkDriver_->stop();
    self->hideOverlay();
    self->setDragging(false);
    const double nominal = 1.0 / std::max(screen.maximumFramesPerSecond, 1.0);
    auto average = [](const std::vector<double>& v) {
      double sum = 0;
      for (double x : v) sum += x;
      return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
    };
    auto maximum = [](const std::vector<double>& v) {
      return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    const auto longFrames = std::count_if(metrics->intervals.begin(), metrics->intervals.end(),
                                          [nominal](double i) { return i > 1.5 * nominal; });
    char fps[32];
    std::snprintf(fps, sizeof fps, "%g", screen.maximumFramesPerSecond);
    self->platform_.diagnostics.print(
        "DRAG_METRICS", "screen=" + describe(screen.frame) + " screenFPS=" + fps +
                            " frames=" + std::to_string(metrics->renders.size()) +
                            " averageMs=" + formatMs(1000 * average(metrics->intervals)) +
                            " maximumMs=" + formatMs(1000 * maximum(metrics->intervals)) +
                            " longFrames=" + std::to_string(longFrames) +
                            " averageRenderMs=" + formatMs(1000 * average(metrics->renders)) +
                            " maximumRenderMs=" + formatMs(1000 * maximum(metrics->renders)));
    self->runDiagnosticDragAnimation(screens, index + 1);
  }));
}

void StatusBarController::configureReachableAnchor() {
  auto windowFrame = statusItem_->windowFrameInScreen();
  if (!windowFrame) return;
  const auto screens = platform_.screens.screens();
  auto screen = screenContaining(screens, Point{windowFrame->midX(), windowFrame->midY()});
  if (!screen && !screens.empty()) screen = screens.front();
  if (!screen) return;
  const Rect statusRect =
      statusContentView_.surface() && statusContentView_.surface()->frameInScreen()
          ? *statusContentView_.surface()->frameInScreen()
          : *windowFrame;
  bool obscured = false;
  if (auto right = screen->auxiliaryTopRightArea) {
    const Rect usable(right->minX() + 2, right->minY(), right->size.width - 4, right->size.height);
    obscured = !(statusRect.minX() >= usable.minX() && statusRect.maxX() <= usable.maxX() &&
                 statusRect.minY() >= usable.minY() && statusRect.maxY() <= usable.maxY());
  }
  const auto enabled = platform_.environment.variable("BRINDLECAP_ENABLE_NOTCH_FALLBACK");
  const bool fallbackEnabled = enabled && *enabled == "1";
  // Screens here never report a camera housing, so the icon always stays in the top bar.
  statusItem_->setVisible(true);

  Diagnostics& d = platform_.diagnostics;
  d.print("SCREEN", describe(screen->frame));
  d.print("SCREEN_RIGHT",
          screen->auxiliaryTopRightArea ? describe(*screen->auxiliaryTopRightArea) : "none");
  d.print("STATUS_WINDOW", describe(*windowFrame));
  d.print("STATUS_RECT", describe(statusRect));
  d.print("STATUS_OBSCURED", obscured ? "true" : "false");
  d.print("NOTCH_FALLBACK_ENABLED", fallbackEnabled ? "true" : "false");
}

}  // namespace brindlecap
