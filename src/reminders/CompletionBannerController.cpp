#include "reminders/CompletionBannerController.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>
#include <utility>

namespace brindlecap {

namespace {

constexpr const char* kUntitledTitle = "Таймер завершён";

bool isSameOccurrence(const TimerItem& item, const Uuid& id, TimePoint occurrenceDate) {
  return item.id == id && std::abs(item.fireDate - occurrenceDate) < kOccurrenceTolerance;
}

}  // namespace

std::shared_ptr<CompletionBannerController> CompletionBannerController::create(
    std::shared_ptr<AppSettingsStore> settings, CompletionBannerPanel& panel,
    CompletionSound& sound, const Screens& screens, MainQueue& mainQueue,
    Diagnostics& diagnostics) {
  std::shared_ptr<CompletionBannerController> controller(new CompletionBannerController(
      std::move(settings), panel, sound, screens, mainQueue, diagnostics));
  controller->connectPanel();
  return controller;
}

CompletionBannerController::CompletionBannerController(std::shared_ptr<AppSettingsStore> settings,
                                                       CompletionBannerPanel& panel,
                                                       CompletionSound& sound,
                                                       const Screens& screens, MainQueue& mainQueue,
                                                       Diagnostics& diagnostics)
    : settings_(std::move(settings)),
      panel_(panel),
      sound_(sound),
      screens_(screens),
      mainQueue_(mainQueue),
      diagnostics_(diagnostics) {}

void CompletionBannerController::connectPanel() {
  std::weak_ptr<CompletionBannerController> weak = weak_from_this();
  panel_.onDismiss = [weak] {
    if (auto self = weak.lock()) self->dismissCurrent();
  };
  panel_.onQuickSnooze = [weak] {
    if (auto self = weak.lock()) self->snoozeWithQuickInterval();
  };
  panel_.onShowSnoozeOptions = [weak] {
    if (auto self = weak.lock()) self->showSnoozeOptions();
  };
  // Until the first banner it sits at the origin, which is also where it stays without a screen.
  panel_.setFrame(Rect(0, 0, kPanelSize.width, kPanelSize.height));
  panel_.setTitle("");
  panel_.setBody(kBody);
  updateSnoozeButtonAppearance();
}

void CompletionBannerController::enqueue(const TimerItem& item, std::string body) {
  assert(std::this_thread::get_id() == mainThread_);
  // The sound belongs to every reminder style, so it does not wait for the banner.
  if (settings_->playSound.value() && !sound_.play()) sound_.beep();
  if (!settings_->showMiniBanner.value()) return;

  pendingItems_.push_back({item, std::move(body)});
  diagnostics_.print("COMPLETION_ENQUEUED", item.title);
  if (!isShowing_) showNext();
}

std::vector<TimerItem> CompletionBannerController::pendingItems() const {
  std::vector<TimerItem> items;
  for (const auto& pending : pendingItems_) items.push_back(pending.item);
  return items;
}

void CompletionBannerController::showNext() {
  if (pendingItems_.empty()) {
    isShowing_ = false;
    return;
  }
  isShowing_ = true;
  Pending next = std::move(pendingItems_.front());
  pendingItems_.erase(pendingItems_.begin());
  currentItem_ = std::move(next.item);
  ++shownBanners_;
  didChooseSnoozeFromMenu_ = false;
  panel_.setButtonsEnabled(true);

  panel_.setTitle(currentItem_->title.empty() ? std::string(kUntitledTitle) : currentItem_->title);
  panel_.setBody(next.body);
  updateSnoozeButtonAppearance();
  positionPanel();
  // No fade-in: the banner appears at once.
  panel_.setAlpha(1);
  panel_.orderFrontRegardless();

  if (diagnostics_.isEnabled()) {
    diagnostics_.print("COMPLETION_FRAME", describe(panel_.frame()));
    diagnostics_.print("COMPLETION_VISIBLE", panel_.isVisible() ? "true" : "false");
  }
  scheduleAutoDismiss();
}

void CompletionBannerController::positionPanel() {
  const auto screens = screens_.screens();
  if (screens.empty()) return;  // shown where it was last
  const Rect area = screens.front().visibleFrame.insetBy(kScreenInset, kScreenInset);
  panel_.setFrame(Rect(area.midX() - kPanelSize.width / 2, area.maxY() - kPanelSize.height,
                       kPanelSize.width, kPanelSize.height));
}

void CompletionBannerController::scheduleAutoDismiss() {
  const double delay = diagnostics_.mode() == kScreenshotMode
                           ? kScreenshotModeDuration
                           : seconds(settings_->completionBannerDuration.value());
  std::weak_ptr<CompletionBannerController> weak = weak_from_this();
  // Replacing the handle cancels the previous countdown.
  dismissWork_ = mainQueue_.after(delay, [weak] {
    if (auto self = weak.lock()) self->hideCurrent();
  });
}

void CompletionBannerController::hideCurrent() {
  if (!isShowing_ || isHiding_) return;
  isHiding_ = true;
  dismissWork_.cancel();

  std::weak_ptr<CompletionBannerController> weak = weak_from_this();
  panel_.fadeOut(kFadeDuration, [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->panel_.orderOut();
    self->currentItem_.reset();
    self->isHiding_ = false;
    self->showNext();
  });
}

void CompletionBannerController::dismissCurrent() {
  if (isHiding_) return;
  panel_.setButtonsEnabled(false);
  if (currentItem_ && onDismiss) {
    const TimerItem item = *currentItem_;  // the callback may change what is current
    onDismiss(item);
  }
  hideCurrent();
}

void CompletionBannerController::snoozeWithQuickInterval() {
  snooze(settings_->quickSnoozeInterval.value());
}

void CompletionBannerController::snooze(QuickSnoozeInterval interval) {
  if (isHiding_ || !currentItem_) return;
  panel_.setButtonsEnabled(false);
  if (onSnooze) {
    const TimerItem item = *currentItem_;
    onSnooze(item, seconds(interval));
  }
  hideCurrent();
}

void CompletionBannerController::showSnoozeOptions() {
  if (isHiding_) return;
  // The banner does not close by itself while the menu is open.
  dismissWork_.cancel();
  didChooseSnoozeFromMenu_ = false;

  const QuickSnoozeInterval current = settings_->quickSnoozeInterval.value();
  std::vector<SnoozeMenuItem> items;
  for (QuickSnoozeInterval interval : allCases<QuickSnoozeInterval>) {
    items.push_back(SnoozeMenuItem{std::string(snoozeActionTitle(interval)), rawValue(interval),
                                   interval == current});
  }
  std::weak_ptr<CompletionBannerController> weak = weak_from_this();
  panel_.popUpSnoozeMenu(std::move(items), [weak, shown = shownBanners_](std::optional<int> tag) {
    if (auto self = weak.lock()) self->snoozeMenuClosed(tag, shown);
  });
}

void CompletionBannerController::snoozeMenuClosed(std::optional<int> tag,
                                                  std::uint64_t shownBanner) {
  if (shownBanner != shownBanners_) {
    // Its banner has gone and another may be up: keep the choice as the default, act on nothing.
    if (auto interval = tag ? fromRawValue<QuickSnoozeInterval>(*tag) : std::nullopt)
      settings_->quickSnoozeInterval.set(*interval);
    return;
  }
  if (tag) snoozeFromMenu(*tag);
  if (!didChooseSnoozeFromMenu_ && !isHiding_ && currentItem_) scheduleAutoDismiss();
}

void CompletionBannerController::snoozeFromMenu(int tag) {
  const auto interval = fromRawValue<QuickSnoozeInterval>(tag);
  if (!interval) return;
  didChooseSnoozeFromMenu_ = true;
  // The menu's choice becomes the default quick snooze (also the notification's action title).
  settings_->quickSnoozeInterval.set(*interval);
  snooze(*interval);
}

void CompletionBannerController::dismissOccurrence(const Uuid& id, TimePoint occurrenceDate) {
  assert(std::this_thread::get_id() == mainThread_);
  std::erase_if(pendingItems_, [&](const Pending& pending) {
    return isSameOccurrence(pending.item, id, occurrenceDate);
  });
  if (currentItem_ && isSameOccurrence(*currentItem_, id, occurrenceDate)) {
    panel_.setButtonsEnabled(false);
    hideCurrent();
  }
}

void CompletionBannerController::updateSnoozeButtonAppearance() {
  panel_.setAccentColor(color(settings_->threadColor.value()));
  panel_.setQuickSnoozeTitle(
      std::string(snoozeActionTitle(settings_->quickSnoozeInterval.value())));
}

}  // namespace brindlecap
