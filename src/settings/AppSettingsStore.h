#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/DefaultsStore.h"
#include "platform/LoginItems.h"
#include "platform/MainQueue.h"
#include "platform/NotificationAuthorizationStatus.h"
#include "platform/Published.h"
#include "settings/AppSettingsTypes.h"
#include "settings/GlobalShortcut.h"
#include "settings/Preference.h"

namespace brindlecap {

// The user's preferences, each published and written through at once to the defaults store under
// "settings.<name>", plus the transient state the settings window shows. Main thread only, except
// updateNotificationAuthorizationStatus. `defaults`, `loginItems` and `mainQueue` must outlive it;
// own it through a shared_ptr so queued work can hold it weakly.
class AppSettingsStore : public std::enable_shared_from_this<AppSettingsStore> {
 public:
  AppSettingsStore(DefaultsStore& defaults, LoginItems& loginItems, MainQueue& mainQueue);
  AppSettingsStore(const AppSettingsStore&) = delete;
  AppSettingsStore& operator=(const AppSettingsStore&) = delete;

  Preference<bool> showMiniBanner;
  Preference<CompletionBannerDuration> completionBannerDuration;
  Preference<QuickSnoozeInterval> quickSnoozeInterval;
  Preference<bool> systemNotifications;
  Preference<bool> playSound;
  Preference<MenuBarPresentation> menuBarPresentation;
  Preference<ThreadColorPreset> threadColor;
  Preference<GlobalShortcut> globalShortcut;
  Preference<bool> hasCompletedOnboarding;
  // The login item's real state; change it only through setLaunchAtLogin.
  Published<bool> launchAtLogin;

  // Messages for the settings window; absent when there is nothing to report.
  Published<std::optional<std::string>> launchAtLoginError;
  Published<std::optional<std::string>> globalShortcutError;
  // Assign through updateNotificationAuthorizationStatus when off the main thread.
  Published<NotificationAuthorizationStatus> notificationAuthorizationStatus{
      NotificationAuthorizationStatus::notDetermined};

  ReminderPresentation reminderPresentation() const;
  // Sets showMiniBanner, then systemNotifications: two changes published, two keys written.
  void setReminderPresentation(ReminderPresentation presentation);

  // True when authorized or provisional.
  bool notificationsAreAllowed() const;

  // Any thread. Assigns `status` later on the main queue if the store is still alive then; a
  // store not owned by a shared_ptr ignores the call.
  void updateNotificationAuthorizationStatus(NotificationAuthorizationStatus status);

  // Registers or unregisters the login item as needed. On failure sets launchAtLoginError and
  // leaves "settings.launchAtLogin" alone; launchAtLogin always ends at the real state.
  void setLaunchAtLogin(bool wanted);

 private:
  DefaultsStore& defaults_;
  LoginItems& loginItems_;
  MainQueue& mainQueue_;
};

}  // namespace brindlecap
