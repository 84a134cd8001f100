#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/NotificationAuthorizationStatus.h"

namespace brindlecap {

struct NotificationAction {
  std::string identifier;
  std::string title;
  friend bool operator==(const NotificationAction&, const NotificationAction&) = default;
};

// A set of actions a notification offers. `customDismissAction`: a dismissal is reported to the
// delegate as a response.
struct NotificationCategory {
  std::string identifier;
  std::vector<NotificationAction> actions;
  bool customDismissAction = false;
  friend bool operator==(const NotificationCategory&, const NotificationCategory&) = default;
};

struct NotificationContent {
  std::string title;
  std::string body;
  bool playsSound = false;  // the desktop's default notification sound
  std::string categoryIdentifier;
  // Free-form payload handed back unchanged with every response (a JSON object).
  nlohmann::json userInfo = nlohmann::json::object();
};

// One notification due `triggerInterval` seconds (> 0) after it was added. A request added with
// the identifier of a pending one replaces it.
struct NotificationRequest {
  std::string identifier;
  NotificationContent content;
  double triggerInterval = 1.0;
};

// What the user did with a delivered notification.
struct NotificationResponse {
  static constexpr const char* kDefaultActionIdentifier = "default";  // a click on the notification
  static constexpr const char* kDismissActionIdentifier = "dismiss";  // closed by the user
  std::string actionIdentifier;
  std::string requestIdentifier;
  NotificationContent content;
};

// Receives the centre's questions and the user's responses, on any thread.
class NotificationCenterDelegate {
 public:
  virtual ~NotificationCenterDelegate() = default;
  // Whether a notification falling due now is shown at all.
  virtual bool shouldPresent(const NotificationContent& content) = 0;
  // Must call `completion` exactly once.
  virtual void didReceive(const NotificationResponse& response,
                          std::function<void()> completion) = 0;
};

// The desktop's notification service. Completions may run on any thread, possibly before the
// call returns.
class NotificationCenter {
 public:
  virtual ~NotificationCenter() = default;

  // Held weakly; responses for a delegate that is gone are dropped.
  virtual void setDelegate(std::weak_ptr<NotificationCenterDelegate> delegate) = 0;
  // Asks to show alerts and play sounds.
  virtual void requestAuthorization(std::function<void(bool granted)> completion) = 0;
  virtual void getAuthorizationStatus(
      std::function<void(NotificationAuthorizationStatus)> completion) = 0;
  // Replaces the whole set of categories.
  virtual void setNotificationCategories(std::vector<NotificationCategory> categories) = 0;
  // `completion` receives an error description when the request could not be added.
  virtual void add(NotificationRequest request,
                   std::function<void(std::optional<std::string> error)> completion) = 0;
  virtual void removePendingRequests(const std::vector<std::string>& identifiers) = 0;
  virtual void removeDeliveredNotifications(const std::vector<std::string>& identifiers) = 0;
  virtual void removeAllPendingRequests() = 0;
  virtual void getPendingRequestCount(std::function<void(std::size_t)> completion) = 0;
  virtual void getDeliveredNotificationCount(std::function<void(std::size_t)> completion) = 0;
  // Whether this desktop has notification settings that openSystemSettings() can open.
  virtual bool canOpenSystemSettings() const = 0;
  // Opens the desktop's notification settings when it has any we know of; otherwise nothing.
  virtual void openSystemSettings() = 0;
};

}  // namespace brindlecap
