#include "reminders/NotificationCenterBridge.h"

#include <memory>

namespace brindlecap {

void NotificationCenterBridge::refresh(NotificationCenter& center, AppSettingsStore& settings) {
  // The answer may come after the settings window, or the store, is gone.
  center.getAuthorizationStatus(
      [weak = settings.weak_from_this()](NotificationAuthorizationStatus status) {
        if (const auto store = weak.lock()) store->updateNotificationAuthorizationStatus(status);
      });
}

bool NotificationCenterBridge::canOpenSystemSettings(const NotificationCenter& center) {
  return center.canOpenSystemSettings();
}

void NotificationCenterBridge::openSystemSettings(NotificationCenter& center) {
  center.openSystemSettings();
}

}  // namespace brindlecap
