#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/TimePoint.h"
#include "platform/Uuid.h"
#include "settings/AppSettingsStore.h"
#include "timers/TimerItem.h"
#include "timers/TimerNotificationScheduling.h"

namespace brindlecap {

// Keeps one pending system notification per running timer, due at its fire date, with a single
// quick-snooze action, and reports which occurrence (timer id, fire date) the user snoozed or
// dismissed. Main thread only, except the delegate methods, which the centre may call on any
// thread. Construction touches nothing on the centre.
class NotificationManager : public NotificationCenterDelegate,
                            public TimerNotificationScheduling,
                            public std::enable_shared_from_this<NotificationManager> {
 public:
  static constexpr const char* kCategoryIdentifier = "BRINDLECAP_TIMER_COMPLETED";
  static constexpr const char* kQuickSnoozeActionIdentifier = "BRINDLECAP_QUICK_SNOOZE";
  static constexpr const char* kUntitledTitle = "Таймер завершён";
  static constexpr const char* kBody = "Запланированное время наступило.";
  // Payload keys: the upper-case id string, and the fire date in seconds since 1970 (a number).
  static constexpr const char* kTimerIdKey = "timerID";
  static constexpr const char* kFireDateKey = "fireDate";
  static constexpr double kMinimumTrigger = 1.0;  // seconds

  // All references must outlive the manager.
  static std::shared_ptr<NotificationManager> create(NotificationCenter& center,
                                                     std::shared_ptr<AppSettingsStore> settings,
                                                     MainQueue& mainQueue, const WallClock& clock,
                                                     Diagnostics& diagnostics);
  NotificationManager(const NotificationManager&) = delete;
  NotificationManager& operator=(const NotificationManager&) = delete;

  // Called on the main queue; occurrenceDate is the fire date the notification announced, seconds
  // the snooze length read when the user answered.
  std::function<void(const Uuid& id, TimePoint occurrenceDate, double seconds)> onSnooze;
  std::function<void(const Uuid& id, TimePoint occurrenceDate)> onDismiss;

  // Becomes the centre's delegate, registers the one category (its action titled after the
  // current quick-snooze interval), then asks for authorization when notifications are on, and
  // in either case stores the resulting authorization status in the settings.
  void configure();
  // Reads the centre's authorization status into the settings store.
  void refreshAuthorizationStatus();

  // Posts or replaces the timer's notification; nothing when notifications are off or the fire
  // date is not in the future. Fires no sooner than one second from now.
  void schedule(const TimerItem& item) override;
  // Removes the timer's pending request, then its delivered notification.
  void cancel(const Uuid& id) override;
  // Posts the notification of a firing that came due while the application was not running, due
  // after the shortest trigger, with `body` in place of the usual one. Its payload names the
  // item's fire date, so a response acts on that firing. Nothing when notifications are off.
  void deliverMissed(const TimerItem& item, const std::string& body);

  // Prints the authorization status and the pending and delivered counts (diagnostics only).
  void printDiagnosticStatus();

  NotificationCenter& center() { return center_; }

  // NotificationCenterDelegate; any thread.
  bool shouldPresent(const NotificationContent& content) override;
  void didReceive(const NotificationResponse& response, std::function<void()> completion) override;

 private:
  NotificationManager(NotificationCenter& center, std::shared_ptr<AppSettingsStore> settings,
                      MainQueue& mainQueue, const WallClock& clock, Diagnostics& diagnostics);

  // A completion for the centre, which may answer on any thread: it hops to the main queue and
  // runs `next(manager, result…)` there if the manager still exists. Holds the manager weakly.
  template <class... Args, class Next>
  auto onMainQueue(Next next);
  void registerTimerCategory();
  // Adds the timer's request, due after `interval` seconds (at least kMinimumTrigger).
  void post(const TimerItem& item, std::string body, double interval);
  void reportScheduled(const std::string& identifier, const std::optional<std::string>& error,
                       double interval);

  NotificationCenter& center_;
  const std::shared_ptr<AppSettingsStore> settings_;
  MainQueue& mainQueue_;
  const WallClock& clock_;
  Diagnostics& diagnostics_;
  // Mirrors systemNotifications for shouldPresent, which may run off the main thread.
  std::atomic<bool> presents_{false};
  Subscription presentsSubscription_;
  // Delayed status printouts, keyed by arming order; they die with the manager.
  std::map<std::string, WorkHandle> statusChecks_;
};

}  // namespace brindlecap
