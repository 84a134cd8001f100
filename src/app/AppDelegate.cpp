#include "app/AppDelegate.h"

#include "timers/TimeFormatting.h"

namespace brindlecap {

namespace {

constexpr const char* kNotificationIconTimerID = "2CE8BFF1-A983-4E40-84A6-61AA2F1D9B29";

}  // namespace

AppDelegate::AppDelegate(AppPlatform platform)
    : platform_(platform),
      store_(std::make_shared<TimerStore>(platform.clock, platform.mainQueue, platform.files)),
      settings_(std::make_shared<AppSettingsStore>(platform.defaults, platform.loginItems,
                                                   platform.mainQueue)),
      globalShortcutManager_(
          std::make_unique<GlobalShortcutManager>(platform.hotKeys, platform.mainQueue)) {}

void AppDelegate::applicationDidFinishLaunching() {
  diagnostics_ = std::make_unique<Diagnostics>(platform_.environment, platform_.diagnosticOutput);
  if (diagnostics_->mode() == DiagnosticMode::launch) diagnostics_->print("DID_FINISH_LAUNCHING");

  wireReminders();

  const AppPlatform& p = platform_;
  std::weak_ptr<AppWindowsController> windows = windowsController_;
  statusBarController_ = StatusBarController::create(
      store_, settings_,
      StatusBarPlatform{p.mainQueue, p.clock, p.monotonicClock, p.screens, p.windows, p.dragEvents,
                        p.cursor, p.haptics, p.displayLinks, p.dateFormatter, *diagnostics_,
                        p.environment, p.terminate},
      [windows](std::optional<Rect> source) {
        if (auto controller = windows.lock()) controller->showSettings(source);
      },
      // The list must open even when the windows are gone, so the completion always runs.
      [windows](std::function<void()> open) {
        if (auto controller = windows.lock()) {
          controller->dismissAuxiliaryWindows(std::move(open));
        } else {
          open();
        }
      });

  wirePreferencesAndLaunchModes();
}

void AppDelegate::wireReminders() {
  const AppPlatform& p = platform_;
  windowsController_ = AppWindowsController::create(settings_, p.defaults, p.appWindows, p.screens,
                                                    p.mainQueue, *diagnostics_);
  completionBannerController_ = CompletionBannerController::create(
      settings_, p.bannerPanel, p.completionSound, p.screens, p.mainQueue, *diagnostics_);
  notificationManager_ =
      NotificationManager::create(p.notifications, settings_, p.mainQueue, p.clock, *diagnostics_);

  std::weak_ptr<TimerStore> store = store_;
  std::weak_ptr<CompletionBannerController> banner = completionBannerController_;
  std::weak_ptr<NotificationManager> manager = notificationManager_;
  const WallClock& clock = p.clock;

  store_->onTimerFinished = [banner](const TimerItem& item) {
    if (auto target = banner.lock()) target->enqueue(item);
  };
  completionBannerController_->onSnooze = [store, &clock](const TimerItem& item, double seconds) {
    if (auto target = store.lock()) target->snooze(item.id, item.fireDate, seconds, clock.now());
  };
  // Acknowledging the banner acknowledges the notification of the same completion too.
  completionBannerController_->onDismiss = [manager](const TimerItem& item) {
    if (auto target = manager.lock()) {
      target->center().removeDeliveredNotifications({item.id.toString()});
    }
  };
  notificationManager_->onSnooze = [store, banner, &clock](const Uuid& id, TimePoint occurrence,
                                                           double seconds) {
    if (auto target = store.lock()) target->snooze(id, occurrence, seconds, clock.now());
    if (auto target = banner.lock()) target->dismissOccurrence(id, occurrence);
  };
  notificationManager_->onDismiss = [banner](const Uuid& id, TimePoint occurrence) {
    if (auto target = banner.lock()) target->dismissOccurrence(id, occurrence);
  };
  // A firing missed while the application was not running is announced like a completion, saying
  // when it came due; its notification cannot have been waiting, so it is posted now.
  store_->onTimerMissed = [banner, manager, &clock, &dates = p.dateFormatter,
                           diagnostics = diagnostics_.get()](const TimerItem& item) {
    diagnostics->print("TIMER_MISSED", item.id.toString() + " " + describeInstant(item.fireDate));
    const std::string body = TimeFormatting::timeUpAt(item.fireDate, clock.now(), dates);
    if (auto target = banner.lock()) target->enqueue(item, body);
    if (auto target = manager.lock()) target->deliverMissed(item, body);
  };

  notificationManager_->configure();
  store_->notificationManager = notificationManager_;
  if (diagnostics_->mode() == DiagnosticMode::notificationIdentityCleanup) {
    p.notifications.removeAllPendingRequests();
  } else {
    store_->restoreNotifications();
  }
  store_->reportMissedItems();
}

void AppDelegate::registerShortcut(const GlobalShortcut& shortcut) {
  std::weak_ptr<StatusBarController> statusBar = statusBarController_;
  globalShortcutManager_->registerShortcut(shortcut, [statusBar] {
    if (auto target = statusBar.lock()) target->showListFromShortcut();
  });
  reportShortcutStatus(shortcut);
}

void AppDelegate::reportShortcutStatus(const GlobalShortcut& shortcut) {
  const char* word = "registered";
  const char* message = nullptr;
  switch (globalShortcutManager_->status()) {
    case HotKeyStatus::registered:
      break;
    case HotKeyStatus::pending:  // nothing to complain about yet
      word = "pending";
      break;
    case HotKeyStatus::taken:
      word = "refused";
      message = kShortcutTakenMessage;
      break;
    case HotKeyStatus::declined:
      word = "declined";
      message = kShortcutDeclinedMessage;
      break;
    case HotKeyStatus::unavailable:
      word = "unavailable";
      message = kShortcutUnavailableMessage;
      break;
  }
  diagnostics_->print("GLOBAL_SHORTCUT", shortcut.identity() + " " + word);
  settings_->globalShortcutError.set(message ? std::optional<std::string>(message) : std::nullopt);
}

void AppDelegate::wirePreferencesAndLaunchModes() {
  using Delivery = Published<bool>::Delivery;
  std::weak_ptr<TimerStore> store = store_;
  std::weak_ptr<NotificationManager> manager = notificationManager_;
  std::weak_ptr<AppSettingsStore> settings = settings_;
  NotificationCenter& center = platform_.notifications;

  cancellables_.push_back(settings_->globalShortcut.subscribe(
      [this](const GlobalShortcut& shortcut) { registerShortcut(shortcut); }));
  // The desktop's late answer (the portal may ask the user first).
  globalShortcutManager_->onStatusChange = [this](HotKeyStatus) {
    reportShortcutStatus(settings_->globalShortcut.value());
  };
  cancellables_.push_back(settings_->systemNotifications.subscribe(
      [store, manager, &center](bool on) {
        auto target = manager.lock();
        if (!target) return;
        if (on) {
          target->configure();
          if (auto timers = store.lock()) timers->restoreNotifications();
        } else {
          center.removeAllPendingRequests();
          target->refreshAuthorizationStatus();
        }
      },
      Delivery::changesOnly, /*removeDuplicates=*/true));
  // The sound is part of each pending notification's content.
  cancellables_.push_back(settings_->playSound.subscribe(
      [store, settings](bool) {
        auto preferences = settings.lock();
        auto timers = store.lock();
        if (preferences && timers && preferences->systemNotifications.value()) {
          timers->restoreNotifications();
        }
      },
      Delivery::changesOnly));
  // The action's title names the interval, so the category is registered again.
  cancellables_.push_back(settings_->quickSnoozeInterval.subscribe(
      [store, manager, settings](QuickSnoozeInterval) {
        if (auto target = manager.lock()) target->configure();
        auto preferences = settings.lock();
        auto timers = store.lock();
        if (preferences && timers && preferences->systemNotifications.value()) {
          timers->restoreNotifications();
        }
      },
      Published<QuickSnoozeInterval>::Delivery::changesOnly));

  std::weak_ptr<CompletionBannerController> banner = completionBannerController_;
  std::weak_ptr<AppWindowsController> windows = windowsController_;
  const WallClock& clock = platform_.clock;
  if (diagnostics_->isEnabled()) {
    switch (diagnostics_->mode()) {
      case DiagnosticMode::completionBanner:
        later(1.0, [this, banner, &clock] {
          diagnostics_->print("COMPLETION_DIAGNOSTIC_TRIGGERED");
          const TimePoint now = clock.now();
          TimerItem sample;
          sample.id = Uuid::random();
          sample.title = "Проверка Brindlecap";
          sample.createdAt = now;
          sample.fireDate = now;
          if (auto target = banner.lock()) target->enqueue(sample);
        });
        break;
      case DiagnosticMode::notificationIcon: {
        const TimePoint now = clock.now();
        TimerItem sample;
        sample.id = *Uuid::parse(kNotificationIconTimerID);
        sample.title = "Проверка иконки Brindlecap";
        sample.createdAt = now;
        sample.fireDate = now + 2.0;
        notificationManager_->cancel(sample.id);
        notificationManager_->schedule(sample);
        break;
      }
      case DiagnosticMode::settings:
      case DiagnosticMode::marketingSettings:
        later(0.7, [windows] {
          if (auto target = windows.lock()) target->showSettings(std::nullopt);
        });
        break;
      default:  // the other modes belong to the top bar, or only print
        break;
    }
    later(1.5, [manager] {
      if (auto target = manager.lock()) target->printDiagnosticStatus();
    });
  } else if (!settings_->hasCompletedOnboarding.value()) {
    later(0.45, [windows] {
      if (auto target = windows.lock()) target->showOnboarding(false);
    });
  }
}

void AppDelegate::later(double delaySeconds, std::function<void()> work) {
  scheduledWork_.push_back(platform_.mainQueue.after(delaySeconds, std::move(work)));
}

void AppDelegate::openListForSecondLaunch() {
  if (diagnostics_) diagnostics_->print("ACTIVATION_REQUESTED");
  if (statusBarController_) statusBarController_->showListPopover(nullptr);
}

void AppDelegate::applicationWillTerminate() {
  store_->save();
}

}  // namespace brindlecap
