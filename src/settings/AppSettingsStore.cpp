#include "settings/AppSettingsStore.h"

#include <utility>

namespace brindlecap {

namespace {

constexpr char kShowMiniBanner[] = "settings.showMiniBanner";
constexpr char kCompletionBannerDuration[] = "settings.completionBannerDuration";
constexpr char kQuickSnoozeInterval[] = "settings.quickSnoozeInterval";
constexpr char kSystemNotifications[] = "settings.systemNotifications";
constexpr char kPlaySound[] = "settings.playSound";
constexpr char kMenuBarPresentation[] = "settings.menuBarPresentation";
constexpr char kThreadColor[] = "settings.threadColor";
constexpr char kGlobalShortcut[] = "settings.globalShortcut";
constexpr char kLaunchAtLogin[] = "settings.launchAtLogin";
constexpr char kHasCompletedOnboarding[] = "settings.hasCompletedOnboarding";

// Reading is strict and silent: a value of another type or an unknown raw value is treated as
// missing, and nothing is rewritten, so a hand-edited or newer file survives until the user
// changes that preference.

bool readBool(const DefaultsStore& defaults, const std::string& key, bool fallback) {
  const auto stored = defaults.boolValue(key);
  return stored.isPresent() ? stored.value : fallback;
}

template <class E>
E readRawString(const DefaultsStore& defaults, const std::string& key, E fallback) {
  const auto stored = defaults.stringValue(key);
  if (!stored.isPresent()) return fallback;
  return fromRawValue<E>(stored.value).value_or(fallback);
}

QuickSnoozeInterval readSnoozeInterval(const DefaultsStore& defaults) {
  const auto stored = defaults.integerValue(kQuickSnoozeInterval);
  if (!stored.isPresent()) return QuickSnoozeInterval::fifteenMinutes;
  return fromRawValue<QuickSnoozeInterval>(stored.value)
      .value_or(QuickSnoozeInterval::fifteenMinutes);
}

std::optional<GlobalShortcut> loadShortcut(const DefaultsStore& defaults, const std::string& key) {
  const auto stored = defaults.dataValue(key);
  if (!stored.isPresent()) return std::nullopt;
  return GlobalShortcut::fromJson(stored.value);
}

Preference<bool>::Writer boolWriter(DefaultsStore& defaults, const std::string& key) {
  return [&defaults, key](const bool& value) { defaults.setBool(key, value); };
}

template <class E>
typename Preference<E>::Writer rawStringWriter(DefaultsStore& defaults, const std::string& key) {
  return
      [&defaults, key](const E& value) { defaults.setString(key, std::string(rawValue(value))); };
}

}  // namespace

AppSettingsStore::AppSettingsStore(DefaultsStore& defaults, LoginItems& loginItems,
                                   MainQueue& mainQueue)
    : showMiniBanner(readBool(defaults, kShowMiniBanner, true),
                     boolWriter(defaults, kShowMiniBanner)),
      completionBannerDuration(
          readRawString(defaults, kCompletionBannerDuration, CompletionBannerDuration::standard),
          rawStringWriter<CompletionBannerDuration>(defaults, kCompletionBannerDuration)),
      quickSnoozeInterval(readSnoozeInterval(defaults),
                          [&defaults](const QuickSnoozeInterval& value) {
                            defaults.setInteger(kQuickSnoozeInterval, rawValue(value));
                          }),
      systemNotifications(readBool(defaults, kSystemNotifications, true),
                          boolWriter(defaults, kSystemNotifications)),
      playSound(readBool(defaults, kPlaySound, true), boolWriter(defaults, kPlaySound)),
      menuBarPresentation(
          readRawString(defaults, kMenuBarPresentation, MenuBarPresentation::timeAndProgress),
          rawStringWriter<MenuBarPresentation>(defaults, kMenuBarPresentation)),
      threadColor(readRawString(defaults, kThreadColor, ThreadColorPreset::purple),
                  rawStringWriter<ThreadColorPreset>(defaults, kThreadColor)),
      globalShortcut(
          loadShortcut(defaults, kGlobalShortcut).value_or(GlobalShortcut::defaultShortcut()),
          [&defaults](const GlobalShortcut& value) {
            defaults.setData(kGlobalShortcut, value.toJson());
          }),
      hasCompletedOnboarding(readBool(defaults, kHasCompletedOnboarding, false),
                             boolWriter(defaults, kHasCompletedOnboarding)),
      // Never read back from the defaults store: only the login-item service knows the truth.
      launchAtLogin(loginItems.isEnabled()),
      defaults_(defaults),
      loginItems_(loginItems),
      mainQueue_(mainQueue) {}

ReminderPresentation AppSettingsStore::reminderPresentation() const {
  // Both flags off can only come from a hand-edited store; the banner is the safer reading.
  if (!systemNotifications.value()) return ReminderPresentation::miniBanner;
  return showMiniBanner.value() ? ReminderPresentation::both
                                : ReminderPresentation::systemNotification;
}

void AppSettingsStore::setReminderPresentation(ReminderPresentation presentation) {
  showMiniBanner.set(presentation != ReminderPresentation::systemNotification);
  systemNotifications.set(presentation != ReminderPresentation::miniBanner);
}

bool AppSettingsStore::notificationsAreAllowed() const {
  const auto status = notificationAuthorizationStatus.value();
  return status == NotificationAuthorizationStatus::authorized ||
         status == NotificationAuthorizationStatus::provisional;
}

void AppSettingsStore::updateNotificationAuthorizationStatus(
    NotificationAuthorizationStatus status) {
  // Called from the notification service's own threads, which may outlive the store: the queued
  // work holds it weakly. Without a shared owner there is nothing safe to hold, so do nothing.
  std::weak_ptr<AppSettingsStore> weakSelf = weak_from_this();
  if (weakSelf.expired()) return;
  mainQueue_.async([weakSelf = std::move(weakSelf), status] {
    if (auto self = weakSelf.lock()) self->notificationAuthorizationStatus.set(status);
  });
}

void AppSettingsStore::setLaunchAtLogin(bool wanted) {
  launchAtLoginError.set(std::nullopt);

  const bool wasEnabled = loginItems_.isEnabled();
  std::optional<std::string> failure;
  if (wanted && !wasEnabled) {
    failure = loginItems_.registerItem();
  } else if (!wanted && wasEnabled) {
    failure = loginItems_.unregisterItem();
  }

  // Whatever happened, the toggle shows what the service now reports, not what was asked for.
  const bool isEnabled = loginItems_.isEnabled();
  launchAtLogin.set(isEnabled);
  if (failure) {
    launchAtLoginError.set("Не удалось изменить автозапуск: " + *failure);
    return;
  }
  defaults_.setBool(kLaunchAtLogin, isEnabled);
}

}  // namespace brindlecap
