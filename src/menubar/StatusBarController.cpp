#include "menubar/StatusBarController.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "menubar/MenuBarPlacementResolver.h"
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
  statusItem_->onAppearanceChanged = [weak](Appearance appearance) {
    if (auto self = weak.lock()) self->setAppearance(appearance);
  };
  appearance_ = statusItem_->appearance();
  scheduled_.push_back(platform_.mainQueue.after(0.35, [weak] {
    if (auto self = weak.lock()) self->configureReachableAnchor();
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

// --- Reachability ---------------------------------------------------------------------------

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
  const bool obscured =
      MenuBarPlacementResolver::isStatusItemObscured(statusRect, screen->auxiliaryTopRightArea);
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
