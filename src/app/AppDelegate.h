#pragma once

#include <memory>
#include <optional>
#include <string>

#include <vector>

#include "app/AppWindowsController.h"
#include "menubar/StatusBarController.h"
#include "platform/AppWindows.h"
#include "platform/Clock.h"
#include "platform/CompletionBannerPanel.h"
#include "platform/DateFormatter.h"
#include "platform/DefaultsStore.h"
#include "platform/Diagnostics.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/HotKeys.h"
#include "platform/LoginItems.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "reminders/CompletionBannerController.h"
#include "reminders/GlobalShortcutManager.h"
#include "reminders/NotificationManager.h"
#include "settings/AppSettingsStore.h"
#include "timers/TimerStore.h"

namespace brindlecap {

// The platform services the application runs on; all must outlive the delegate.
struct AppPlatform {
  WallClock& clock;
  MonotonicClock& monotonicClock;
  MainQueue& mainQueue;
  FileSystem& files;
  DefaultsStore& defaults;
  LoginItems& loginItems;
  DateFormatter& dateFormatter;
  const Environment& environment;
  DiagnosticOutput& diagnosticOutput;
  // The top bar.
  const Screens& screens;
  TopBarWindowFactory& windows;
  DragEventMonitor& dragEvents;
  Cursor& cursor;
  Haptics& haptics;
  DisplayLinkFactory& displayLinks;
  // The reminders and the windows.
  NotificationCenter& notifications;
  CompletionBannerPanel& bannerPanel;
  CompletionSound& completionSound;
  HotKeySystem& hotKeys;
  AppWindowSystem& appWindows;
  // Ends the event loop (the final save then runs).
  std::function<void()> terminate;
};

// Owns the application's long-lived objects and brings them up in a fixed order.
class AppDelegate {
 public:
  // Loads, prunes and saves the timers, starts the ticker, and loads the preferences.
  explicit AppDelegate(AppPlatform platform);
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  static constexpr const char* kShortcutTakenMessage =
      "Это сочетание уже занято системой или другим приложением. Выберите другое.";
  // Where the desktop keeps key bindings to itself (Wayland without the portal's shortcuts).
  static constexpr const char* kShortcutUnavailableMessage =
      "Глобальные сочетания клавиш в этом сеансе недоступны. Назначьте сочетание команде "
      "brindlecap toggle-list в настройках клавиатуры рабочего стола.";
  // The desktop's own dialog was declined.
  static constexpr const char* kShortcutDeclinedMessage =
      "Рабочий стол не назначил это сочетание. Выберите его ещё раз или назначьте сочетание "
      "команде brindlecap toggle-list в настройках клавиатуры.";

  // Reads the diagnostic mode (with "1" it prints the launch marker), connects the reminders,
  // announces the firings missed while the application was not running, puts the icon in the top
  // bar, then follows the preferences and runs the diagnostic modes.
  void applicationDidFinishLaunching();
  // Another launch of the application asked this one to show itself: open the timer list.
  void openListForSecondLaunch();
  // The final save; nothing is written while the store holds transient sample timers.
  void applicationWillTerminate();

  const std::shared_ptr<TimerStore>& store() const { return store_; }
  const std::shared_ptr<AppSettingsStore>& settings() const { return settings_; }
  const std::shared_ptr<StatusBarController>& statusBarController() const {
    return statusBarController_;
  }
  const std::shared_ptr<AppWindowsController>& windowsController() const {
    return windowsController_;
  }
  const std::shared_ptr<NotificationManager>& notificationManager() const {
    return notificationManager_;
  }
  const std::shared_ptr<CompletionBannerController>& completionBannerController() const {
    return completionBannerController_;
  }
  // The diagnostic mode read at launch; none before launch or without the variable.
  DiagnosticMode diagnosticMode() const {
    return diagnostics_ ? diagnostics_->mode() : DiagnosticMode::none;
  }

 private:
  // Connects the store, the two reminders and the windows (before the icon exists), then
  // announces the missed firings.
  void wireReminders();
  // Follows the preferences that need work elsewhere, runs the diagnostic modes and the first-run
  // onboarding (after the icon exists).
  void wirePreferencesAndLaunchModes();
  void registerShortcut(const GlobalShortcut& shortcut);
  // The diagnostic line and the settings window's message for the shortcut's current state.
  void reportShortcutStatus(const GlobalShortcut& shortcut);
  void later(double delaySeconds, std::function<void()> work);

  AppPlatform platform_;
  std::shared_ptr<TimerStore> store_;
  std::shared_ptr<AppSettingsStore> settings_;
  std::unique_ptr<Diagnostics> diagnostics_;
  std::shared_ptr<StatusBarController> statusBarController_;
  std::shared_ptr<AppWindowsController> windowsController_;
  std::shared_ptr<CompletionBannerController> completionBannerController_;
  std::shared_ptr<NotificationManager> notificationManager_;
  std::unique_ptr<GlobalShortcutManager> globalShortcutManager_;
  std::vector<Subscription> cancellables_;
  std::vector<WorkHandle> scheduledWork_;
};

}  // namespace brindlecap
