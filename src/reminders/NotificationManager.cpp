#include "reminders/NotificationManager.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace brindlecap {

namespace {

struct Occurrence {
  Uuid id;
  TimePoint fireDate = 0;
};

// The timer firing a response refers to, or nothing when its payload is incomplete or of the
// wrong types.
std::optional<Occurrence> occurrenceOf(const nlohmann::json& userInfo) {
  if (!userInfo.is_object()) return std::nullopt;
  const auto id = userInfo.find(NotificationManager::kTimerIdKey);
  if (id == userInfo.end() || !id->is_string()) return std::nullopt;
  const auto uuid = Uuid::parse(id->get_ref<const std::string&>());
  if (!uuid) return std::nullopt;
  const auto fireDate = userInfo.find(NotificationManager::kFireDateKey);
  if (fireDate == userInfo.end() || !fireDate->is_number()) return std::nullopt;
  const auto unixSeconds = fireDate->get<double>();
  if (!std::isfinite(unixSeconds)) return std::nullopt;
  return Occurrence{*uuid, timePointFromUnix(unixSeconds)};
}

}  // namespace

std::shared_ptr<NotificationManager> NotificationManager::create(
    NotificationCenter& center, std::shared_ptr<AppSettingsStore> settings, MainQueue& mainQueue,
    const WallClock& clock, Diagnostics& diagnostics) {
  return std::shared_ptr<NotificationManager>(
      new NotificationManager(center, std::move(settings), mainQueue, clock, diagnostics));
}

NotificationManager::NotificationManager(NotificationCenter& center,
                                         std::shared_ptr<AppSettingsStore> settings,
                                         MainQueue& mainQueue, const WallClock& clock,
                                         Diagnostics& diagnostics)
    : center_(center),
      settings_(std::move(settings)),
      mainQueue_(mainQueue),
      clock_(clock),
      diagnostics_(diagnostics) {
  presentsSubscription_ =
      settings_->systemNotifications.subscribe([this](const bool& on) { presents_ = on; });
}

template <class... Args, class Next>
auto NotificationManager::onMainQueue(Next next) {
  return [weak = weak_from_this(), next = std::move(next)](Args... args) {
    // Locked only to reach the queue; the work itself checks again once on the main thread.
    const auto self = weak.lock();
    if (!self) return;
    self->mainQueue_.async([weak, next, args...] {
      if (const auto alive = weak.lock()) next(*alive, args...);
    });
  };
}

void NotificationManager::configure() {
  center_.setDelegate(weak_from_this());
  registerTimerCategory();
  if (!settings_->systemNotifications.value()) {
    refreshAuthorizationStatus();
    return;
  }
  // Whatever the answer (or an error), the stored status is refreshed from the centre.
  center_.requestAuthorization(onMainQueue<bool>(
      [](NotificationManager& self, bool) { self.refreshAuthorizationStatus(); }));
}

void NotificationManager::refreshAuthorizationStatus() {
  // The settings store takes the status on any thread and hops to the main queue itself.
  center_.getAuthorizationStatus([weak = weak_from_this(), settings = std::weak_ptr(settings_)](
                                     NotificationAuthorizationStatus status) {
    if (weak.expired()) return;
    if (const auto store = settings.lock()) store->updateNotificationAuthorizationStatus(status);
  });
}

void NotificationManager::registerTimerCategory() {
  NotificationCategory category{
      kCategoryIdentifier,
      {{kQuickSnoozeActionIdentifier,
        std::string(snoozeActionTitle(settings_->quickSnoozeInterval.value()))}},
      // So that closing a notification reaches didReceive as a dismissal.
      true};
  center_.setNotificationCategories({std::move(category)});
}

void NotificationManager::schedule(const TimerItem& item) {
  if (!settings_->systemNotifications.value()) return;
  const double interval = item.fireDate - clock_.now();
  // A timer already due gets no notification; a date that is not a number cannot be armed.
  if (!(interval > 0) || !std::isfinite(interval)) return;
  post(item, kBody, interval);
}

void NotificationManager::deliverMissed(const TimerItem& item, const std::string& body) {
  if (!settings_->systemNotifications.value()) return;
  post(item, body, kMinimumTrigger);
}

void NotificationManager::post(const TimerItem& item, std::string body, double interval) {
  const std::string identifier = item.id.toString();
  NotificationContent content;
  content.title = item.title.empty() ? std::string(kUntitledTitle) : item.title;
  content.body = std::move(body);
  content.playsSound = settings_->playSound.value();
  content.categoryIdentifier = kCategoryIdentifier;
  content.userInfo = {{kTimerIdKey, identifier}, {kFireDateKey, unixFromTimePoint(item.fireDate)}};
  // Same identifier as a pending request: the centre replaces it, so a rescheduled timer needs no
  // removal first.
  NotificationRequest request{identifier, std::move(content), std::max(interval, kMinimumTrigger)};

  if (!diagnostics_.isEnabled()) {
    center_.add(std::move(request), [](const std::optional<std::string>&) {});
    return;
  }
  center_.add(std::move(request),
              onMainQueue<std::optional<std::string>>(
                  [identifier, interval](NotificationManager& self,
                                         const std::optional<std::string>& error) {
                    self.reportScheduled(identifier, error, interval);
                  }));
}

void NotificationManager::reportScheduled(const std::string& identifier,
                                          const std::optional<std::string>& error,
                                          double interval) {
  if (error) {
    diagnostics_.print("NOTIFICATION_SCHEDULE_ERROR", *error);
  } else {
    diagnostics_.print("NOTIFICATION_SCHEDULED", identifier);
  }
  printDiagnosticStatus();
  // Once more just after the unfloored due moment, so the log shows whether it was delivered.
  // Per timer: rescheduling replaces the check instead of piling up another.
  const std::string key = identifier;
  statusChecks_[key] = mainQueue_.after(interval + 1.0, [this, key] {
    statusChecks_.erase(key);  // the handle dies with the manager, so `this` is alive here
    printDiagnosticStatus();
  });
}

void NotificationManager::cancel(const Uuid& id) {
  const std::vector<std::string> identifiers{id.toString()};
  center_.removePendingRequests(identifiers);
  center_.removeDeliveredNotifications(identifiers);
}

void NotificationManager::printDiagnosticStatus() {
  // Each read starts once the previous one has answered.
  center_.getAuthorizationStatus(onMainQueue<NotificationAuthorizationStatus>(
      [](NotificationManager& self, NotificationAuthorizationStatus status) {
        self.center_.getPendingRequestCount(
            self.onMainQueue<std::size_t>([status](NotificationManager& self, std::size_t pending) {
              self.center_.getDeliveredNotificationCount(self.onMainQueue<std::size_t>(
                  [status, pending](NotificationManager& self, std::size_t delivered) {
                    self.diagnostics_.print("NOTIFICATION_AUTH",
                                            std::to_string(static_cast<int>(status)));
                    self.diagnostics_.print("NOTIFICATION_PENDING", std::to_string(pending));
                    self.diagnostics_.print("NOTIFICATION_DELIVERED", std::to_string(delivered));
                  }));
            }));
      }));
}

bool NotificationManager::shouldPresent(const NotificationContent&) {
  return presents_;
}

void NotificationManager::didReceive(const NotificationResponse& response,
                                     std::function<void()> completion) {
  if (const auto occurrence = occurrenceOf(response.content.userInfo)) {
    const Uuid id = occurrence->id;
    const TimePoint occurrenceDate = occurrence->fireDate;
    const std::string& action = response.actionIdentifier;
    if (action == kQuickSnoozeActionIdentifier) {
      // The snooze length is the one chosen now, not when the notification was posted.
      mainQueue_.async([weak = weak_from_this(), id, occurrenceDate] {
        const auto self = weak.lock();
        if (!self || !self->onSnooze) return;
        self->onSnooze(id, occurrenceDate, seconds(self->settings_->quickSnoozeInterval.value()));
      });
    } else if (action == NotificationResponse::kDismissActionIdentifier ||
               action == NotificationResponse::kDefaultActionIdentifier) {
      // A click on the notification acknowledges it, like closing it.
      mainQueue_.async([weak = weak_from_this(), id, occurrenceDate] {
        const auto self = weak.lock();
        if (self && self->onDismiss) self->onDismiss(id, occurrenceDate);
      });
    }
  }
  if (completion) completion();
}

}  // namespace brindlecap
