#include "app/AppRemoteControl.h"

#include <algorithm>
#include <utility>

#include "app/CommandLine.h"
#include "timers/DurationParser.h"

namespace brindlecap {

namespace {

RemoteFailure invalidDuration(double seconds) {
  return {RemoteError::invalidDuration, durationError(seconds).value_or("")};
}

}  // namespace

AppRemoteControl::AppRemoteControl(AppDelegate& delegate, const WallClock& clock,
                                   MainQueue& mainQueue, std::function<void()> terminate)
    : delegate_(delegate), clock_(clock), mainQueue_(mainQueue), terminate_(std::move(terminate)) {
  timersSubscription_ = delegate_.store()->items.subscribe(
      [this](const std::vector<TimerItem>&) {
        if (onTimersChanged) onTimersChanged();
      },
      Published<std::vector<TimerItem>>::Delivery::changesOnly);
}

RemoteResult<TimerItem> AppRemoteControl::find(const std::string& text) const {
  const auto id = Uuid::parse(text);
  if (!id) {
    return RemoteFailure{RemoteError::invalidArgument,
                         "«" + text + "» — не id таймера: нужен UUID."};
  }
  const auto& items = delegate_.store()->items.value();
  const auto item = std::find_if(items.begin(), items.end(),
                                 [&](const TimerItem& candidate) { return candidate.id == *id; });
  if (item == items.end()) {
    return RemoteFailure{RemoteError::notFound, "Таймера " + id->toString() + " нет."};
  }
  return *item;
}

RemoteResult<std::string> AppRemoteControl::addTimer(double seconds, const std::string& title) {
  if (durationError(seconds)) return invalidDuration(seconds);
  std::string name = title;
  cutTitle(name);
  return delegate_.store()->add(std::move(name), clock_.now() + seconds).id.toString();
}

RemoteResult<std::vector<RemoteTimer>> AppRemoteControl::listTimers() {
  std::vector<RemoteTimer> timers;
  for (const TimerItem& item : delegate_.store()->activeItems()) {
    timers.push_back({item.id.toString(), item.title, item.fireDate, item.createdAt});
  }
  return timers;
}

RemoteResult<Done> AppRemoteControl::removeTimer(const std::string& id) {
  const auto item = find(id);
  if (!item.ok()) return item.failure();
  delegate_.store()->remove(item.value().id);
  return Done{};
}

RemoteResult<Done> AppRemoteControl::snoozeTimer(const std::string& id, double seconds) {
  const auto item = find(id);
  if (!item.ok()) return item.failure();
  if (durationError(seconds)) return invalidDuration(seconds);
  // The occurrence is the one in force now; a banner still showing it goes, as after a
  // notification's snooze.
  const TimerItem& timer = item.value();
  delegate_.store()->snooze(timer.id, timer.fireDate, seconds, clock_.now());
  if (const auto& banner = delegate_.completionBannerController()) {
    banner->dismissOccurrence(timer.id, timer.fireDate);
  }
  return Done{};
}

RemoteResult<Done> AppRemoteControl::extendTimer(const std::string& id, double seconds) {
  const auto item = find(id);
  if (!item.ok()) return item.failure();
  if (durationError(seconds)) return invalidDuration(seconds);
  delegate_.store()->postpone(item.value().id, seconds);
  return Done{};
}

RemoteResult<Done> AppRemoteControl::toggleList() {
  if (const auto& statusBar = delegate_.statusBarController()) statusBar->showListFromShortcut();
  return Done{};
}

RemoteResult<Done> AppRemoteControl::quit() {
  // Later, so the answer leaves before the event loop ends.
  mainQueue_.async(terminate_);
  return Done{};
}

}  // namespace brindlecap
