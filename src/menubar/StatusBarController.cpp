#include "menubar/StatusBarController.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "menubar/MenuBarPlacementResolver.h"
#include "menubar/StatusItemChoice.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {

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
      draftPopover_(platform.windows.makePopover()),
      dragGesture_(std::make_shared<DragGesture>(platform, *overlay_)),
      diagnostics_(std::make_unique<StatusBarDiagnostics>(*this, platform)) {
  statusItem_ = platform_.windows.makeStatusItem(statusContentView_);
}

StatusBarController::~StatusBarController() = default;

void StatusBarController::start() {
  diagnostics_->loadDiagnosticSampleTimers(*store_);
  configureStatusItem();
  configureDragGesture();
  updateFunctionalColor();
  configurePopovers();
  observeStore();
  diagnostics_->scheduleDiagnosticAction();
}

void StatusBarController::configureStatusItem() {
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
  statusItem_->onClick = [weak](StatusItemClick click, std::optional<Point>) {
    if (auto self = weak.lock()) self->handleStatusItemClick(click);
  };
  statusItem_->onDesktopChanged = [weak] {
    if (auto self = weak.lock()) self->recheckReachableAnchor();
  };
  statusItem_->onAppearanceChanged = [weak](Appearance appearance) {
    if (auto self = weak.lock()) self->setAppearance(appearance);
  };
  appearance_ = statusItem_->appearance();
  // A real tray is known at once and wins over everything the bus may still answer, so the icon
  // docks without waiting; any other choice waits a moment for the desktop's answers.
  if (chosenKind() == StatusItemKind::trayIcon) configureReachableAnchor();
  scheduled_.push_back(platform_.mainQueue.after(0.35, [weak] {
    if (auto self = weak.lock()) {
      self->configureReachableAnchor();
      self->printAnchorDiagnostics();
    }
  }));
}

void StatusBarController::configureDragGesture() {
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  dragGesture_->onDraggingChanged = [weak](bool isDragging) {
    if (auto self = weak.lock()) self->setDragging(isDragging);
  };
  dragGesture_->onDurationChosen = [weak](double duration, DrawnView* anchor) {
    if (auto self = weak.lock()) self->presentNewTimer(duration, anchor);
  };
  // The press closed an open list already; the click must not reopen it.
  dragGesture_->onClick = [weak](DrawnView* anchor, bool listWasShownAtPress) {
    auto self = weak.lock();
    if (!self) return;
    if (listWasShownAtPress || self->listPopover_->isShown())
      self->listPopover_->close();
    else
      self->showListPopover(anchor);
  };
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
  cancellables_.push_back(store_->demandTicks([weak](TimePoint now) {
    auto self = weak.lock();
    return self ? self->nextIconChange(now) : std::nullopt;
  }));
  cancellables_.push_back(settings_->menuBarPresentation.subscribe(
      [weak](const MenuBarPresentation&) {
        if (auto self = weak.lock()) {
          self->store_->tickIfBehind();
          self->updateStatusItem();
          self->store_->replanTicks();  // the ring and the text change at different moments
        }
      },
      Published<MenuBarPresentation>::Delivery::currentAndChanges, true));
  cancellables_.push_back(settings_->threadColor.subscribe(
      [weak](const ThreadColorPreset&) {
        if (auto self = weak.lock()) self->updateFunctionalColor();
      },
      Published<ThreadColorPreset>::Delivery::changesOnly, true));
}

// --- The icon -----------------------------------------------------------------------------

void StatusBarController::updateStatusItem() {
  switch (platform_.diagnostics.mode()) {
    case DiagnosticMode::iconActive:
      updateIconState("12", 0.42);
      break;
    case DiagnosticMode::iconIdle:
      updateIconState(std::nullopt, std::nullopt);
      break;
    default:
      if (const auto nextItem = store_->nextActiveItem(); !nextItem) {
        updateIconState(std::nullopt, std::nullopt);
      } else {
        const TimerItem& next = *nextItem;
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

std::optional<TimePoint> StatusBarController::nextIconChange(TimePoint now) const {
  const DiagnosticMode mode = platform_.diagnostics.mode();
  if (mode == DiagnosticMode::iconActive || mode == DiagnosticMode::iconIdle) return std::nullopt;
  const auto next = store_->nextActiveItem();
  if (!next) return std::nullopt;
  if (settings_->menuBarPresentation.value() != MenuBarPresentation::progressOnly)
    return TimeFormatting::iconRemainingChangeDate(next->fireDate, now);
  // The ring grows continuously; a step this small is below what its dots can show, and it
  // never moves more than once a second.
  const double total = next->fireDate - next->createdAt;
  if (!(total > 0)) return std::nullopt;
  const double steps = StatusItemContentView::kDotCount * kRingStepsPerDot;
  const double step = std::floor((now - next->createdAt) / total * steps) + 1;
  return std::max(next->createdAt + total * step / steps, now + TimerStore::kTickInterval);
}

void StatusBarController::updateIconState(std::optional<std::string> countdown,
                                          std::optional<double> progress) {
  if (statusContentView_.countdownText != countdown || statusContentView_.progress != progress)
    platform_.diagnostics.print("ICON", countdown ? *countdown : progress ? "progress" : "idle");
  // The store ticks every second, but the icon changes far less often: redraw only then.
  for (StatusItemContentView* view : {&statusContentView_, &fallbackView_.statusContentView}) {
    if (view->countdownText == countdown && view->progress == progress) continue;
    view->countdownText = countdown;
    view->progress = progress;
    view->setNeedsDisplay();
  }
  fallbackView_.setNeedsDisplay();
}

Color StatusBarController::functionalColor() const {
  return brindlecap::color(settings_->threadColor.value(), appearance_ == Appearance::dark);
}

void StatusBarController::updateFunctionalColor() {
  const Color color = functionalColor();
  overlay_->setFunctionalColor(color);
  overlay_->setAppearance(appearance_);
  fallbackView_.appearance = appearance_;
  for (StatusItemContentView* view : {&statusContentView_, &fallbackView_.statusContentView}) {
    view->functionalColor = color;
    view->appearance = appearance_;
    view->setNeedsDisplay();
  }
  fallbackView_.setNeedsDisplay();
}

void StatusBarController::setAppearance(Appearance appearance) {
  if (appearance == appearance_) return;
  appearance_ = appearance;
  updateFunctionalColor();
}

void StatusBarController::setDragging(bool isDragging) {
  for (StatusItemContentView* view : {&statusContentView_, &fallbackView_.statusContentView}) {
    view->isDragging = isDragging;
    view->setNeedsDisplay();
    if (view->surface()) view->surface()->displayIfNeeded();
  }
}

DrawnView* StatusBarController::activeAnchorView() {
  if (fallbackPanel_ && fallbackPanel_->isVisible()) return &fallbackView_;
  if (statusContentView_.surface() && statusContentView_.surface()->frameInScreen())
    return &statusContentView_;
  return nullptr;
}

// --- The drag gesture -----------------------------------------------------------------------

void StatusBarController::trackDrag(DrawnView& anchor) {
  dragGesture_->cancel();
  const bool listWasShown = listPopover_->isShown();
  listPopover_->close();
  draftPopover_->close();
  dragGesture_->begin(anchor, listWasShown);
}

void StatusBarController::trackClickAndMove(DrawnView& anchor) {
  dragGesture_->cancel();
  draftPopover_->close();
  if (listPopover_->isShown()) {
    listPopover_->close();
    return;
  }
  const bool armed = dragGesture_->beginClickAndMove(anchor);
  platform_.diagnostics.print("CLICK_AND_MOVE", armed ? "armed" : "unavailable");
  // Without the pointer the gesture cannot see the next click; the click still opens the list.
  if (!armed) showListPopover(&anchor);
}

void StatusBarController::handleStatusItemClick(StatusItemClick click) {
  if (click == StatusItemClick::activate) {
    trackClickAndMove(statusContentView_);
  } else {
    dragGesture_->cancel();
    toggleListPopover(&statusContentView_);
  }
}

// --- Reachability ---------------------------------------------------------------------------

StatusItemKind StatusBarController::chosenKind() const {
  const auto forced = platform_.environment.variable(StatusItemChoice::kOverrideVariable);
  return StatusItemChoice::choose(statusItem_->hosts(),
                                  forced ? std::optional<std::string_view>(*forced) : std::nullopt);
}

void StatusBarController::configureReachableAnchor() {
  pendingAnchorCheck_.cancel();
  const StatusItemKind kind = chosenKind();
  if (kind != statusItem_->kind()) {
    statusItem_->setToolTip(std::string(kind == StatusItemKind::notifierItem
                                            ? StatusItemContentView::kClickAndMoveToolTip
                                            : StatusItemContentView::kToolTip));
    statusItem_->setKind(kind);
    statusItemKindSince_ = platform_.monotonicClock.uptime();
  }
  if (kind != StatusItemKind::none && statusItem_->isPlaced()) {
    hideFallback();
    return;
  }
  const double waited = platform_.monotonicClock.uptime() - statusItemKindSince_;
  const bool shown = fallbackPanel_ && fallbackPanel_->isVisible();
  // A panel already on screen stays until the host has the icon, so the icon never blinks out.
  if (kind == StatusItemKind::none || shown || waited >= kPlacementPatience) {
    if (auto placement = currentFallbackPlacement()) showFallback(*placement);
    return;
  }
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  pendingAnchorCheck_ = platform_.mainQueue.after(kPlacementPatience - waited, [weak] {
    if (auto self = weak.lock()) self->configureReachableAnchor();
  });
}

void StatusBarController::recheckReachableAnchor() {
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  pendingAnchorCheck_ = platform_.mainQueue.after(0.25, [weak] {
    if (auto self = weak.lock()) self->configureReachableAnchor();
  });
}

std::optional<MenuBarFallbackPlacement> StatusBarController::currentFallbackPlacement() const {
  const auto screens = platform_.screens.screens();
  if (screens.empty()) return std::nullopt;
  const ScreenInfo& screen = screens.front();
  // Under a camera housing the panel hangs centred below it; elsewhere near the right edge.
  if (screen.auxiliaryTopRightArea)
    return MenuBarPlacementResolver::hangingPlacement(
        screen.auxiliaryTopLeftArea, *screen.auxiliaryTopRightArea, screen.visibleFrame);
  return StatusItemChoice::fallbackPlacement(screen.visibleFrame);
}

void StatusBarController::showFallback(const MenuBarFallbackPlacement& placement) {
  if (!fallbackPanel_) fallbackPanel_ = platform_.windows.makeFallbackPanel(fallbackView_);
  fallbackView_.setIsBelowMenuBar(placement.isBelowMenuBar);
  fallbackPanel_->setHasShadow(placement.isBelowMenuBar);
  if (fallbackPanel_->frame() != placement.frame || !fallbackPanel_->isVisible())
    fallbackPanel_->setFrame(placement.frame);
  if (!fallbackPanel_->isVisible()) fallbackPanel_->orderFront();
  fallbackView_.setNeedsDisplay();
  fallbackPlacement_ = placement;
}

void StatusBarController::updateFallbackFrame() {
  if (!fallbackPanel_ || !fallbackPanel_->isVisible()) return;
  auto placement = currentFallbackPlacement();
  if (!placement || placement == fallbackPlacement_) return;
  showFallback(*placement);
}

void StatusBarController::hideFallback() {
  if (fallbackPanel_) fallbackPanel_->orderOut();
  fallbackPlacement_.reset();
}

void StatusBarController::printAnchorDiagnostics() {
  Diagnostics& d = platform_.diagnostics;
  if (!d.isEnabled()) return;
  const auto screens = platform_.screens.screens();
  const auto windowFrame = statusItem_->windowFrameInScreen();
  std::optional<ScreenInfo> screen;
  if (windowFrame)
    screen = screenContaining(screens, Point{windowFrame->midX(), windowFrame->midY()});
  if (!screen && !screens.empty()) screen = screens.front();
  if (screen) {
    d.print("SCREEN", describe(screen->frame));
    d.print("SCREEN_RIGHT",
            screen->auxiliaryTopRightArea ? describe(*screen->auxiliaryTopRightArea) : "none");
  }
  d.print("STATUS_ITEM", std::string(StatusItemChoice::name(statusItem_->kind())) +
                             (statusItem_->isPlaced() ? " placed" : " waiting"));
  bool obscured = fallbackPlacement_.has_value();  // no host shows the icon
  if (windowFrame) {
    const Rect statusRect =
        statusContentView_.surface() && statusContentView_.surface()->frameInScreen()
            ? *statusContentView_.surface()->frameInScreen()
            : *windowFrame;
    d.print("STATUS_WINDOW", describe(*windowFrame));
    d.print("STATUS_RECT", describe(statusRect));
    if (screen)
      obscured = obscured || MenuBarPlacementResolver::isStatusItemObscured(
                                 statusRect, screen->auxiliaryTopRightArea);
  }
  d.print("STATUS_OBSCURED", obscured ? "true" : "false");
  if (fallbackPlacement_) d.print("FALLBACK_PLACEMENT", "below_top_bar");
  const auto enabled = platform_.environment.variable("BRINDLECAP_ENABLE_NOTCH_FALLBACK");
  d.print("NOTCH_FALLBACK_ENABLED", enabled && *enabled == "1" ? "true" : "false");
  if (fallbackPanel_) {
    if (fallbackView_.surface()) fallbackView_.surface()->displayIfNeeded();
    d.print("FALLBACK_FRAME", describe(fallbackPanel_->frame()));
    d.print("FALLBACK_DRAWS", std::to_string(fallbackView_.statusContentView.drawCount));
  }
}

}  // namespace brindlecap
