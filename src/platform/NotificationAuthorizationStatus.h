#pragma once

namespace brindlecap {

// The platform's answer to whether the application may post notifications.
enum class NotificationAuthorizationStatus {
  notDetermined,
  denied,
  authorized,
  provisional,
  ephemeral
};

}  // namespace brindlecap
