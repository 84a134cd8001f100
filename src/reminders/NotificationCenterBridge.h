#pragma once

#include "platform/NotificationCenter.h"
#include "settings/AppSettingsStore.h"

namespace brindlecap {

// What the settings window asks of the notification centre directly. Stateless.
struct NotificationCenterBridge {
  // Reads the centre's authorization status into `settings` (on the main queue, later); the store
  // must be owned by a shared_ptr to receive it.
  static void refresh(NotificationCenter& center, AppSettingsStore& settings);
  // Whether the desktop has notification settings to open.
  static bool canOpenSystemSettings(const NotificationCenter& center);
  // Opens the desktop's notification settings when it has any; otherwise nothing.
  static void openSystemSettings(NotificationCenter& center);
};

}  // namespace brindlecap
