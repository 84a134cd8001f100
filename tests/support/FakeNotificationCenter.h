#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/NotificationCenter.h"

namespace brindlecap::testing {

// A notification centre that keeps requests in memory and logs every call in order ("add <id>",
// "removePending <id>…", …). Completions run at once unless `holdsCompletions` is set, in which
// case they wait for runHeldCompletions(). Tests play the desktop with deliver() and respond().
class FakeNotificationCenter : public NotificationCenter {
 public:
  using Status = NotificationAuthorizationStatus;

  void setDelegate(std::weak_ptr<NotificationCenterDelegate> newDelegate) override {
    calls.emplace_back("setDelegate");
    delegate = std::move(newDelegate);
  }
  // Grants a not-yet-determined status; a decided one stays.
  void requestAuthorization(std::function<void(bool granted)> completion) override {
    calls.emplace_back("requestAuthorization");
    if (authorizationStatus == Status::notDetermined) authorizationStatus = Status::authorized;
    const bool granted = authorizationStatus == Status::authorized;
    complete([completion = std::move(completion), granted] { completion(granted); });
  }
  void getAuthorizationStatus(std::function<void(Status)> completion) override {
    calls.emplace_back("getAuthorizationStatus");
    complete(
        [completion = std::move(completion), status = authorizationStatus] { completion(status); });
  }
  void setNotificationCategories(std::vector<NotificationCategory> newCategories) override {
    calls.emplace_back("setNotificationCategories");
    categories = std::move(newCategories);
  }
  // Fails with `addError` when set; otherwise replaces any pending request of the same identifier.
  void add(NotificationRequest request,
           std::function<void(std::optional<std::string> error)> completion) override {
    calls.push_back("add " + request.identifier);
    if (!addError) pending[request.identifier] = std::move(request);
    complete([completion = std::move(completion), error = addError] { completion(error); });
  }
  void removePendingRequests(const std::vector<std::string>& identifiers) override {
    calls.push_back("removePending" + joined(identifiers));
    for (const auto& id : identifiers) pending.erase(id);
  }
  void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override {
    calls.push_back("removeDelivered" + joined(identifiers));
    for (const auto& id : identifiers) delivered.erase(id);
  }
  void removeAllPendingRequests() override {
    calls.emplace_back("removeAllPending");
    pending.clear();
  }
  void getPendingRequestCount(std::function<void(std::size_t)> completion) override {
    calls.emplace_back("getPendingRequestCount");
    complete([completion = std::move(completion), n = pending.size()] { completion(n); });
  }
  void getDeliveredNotificationCount(std::function<void(std::size_t)> completion) override {
    calls.emplace_back("getDeliveredNotificationCount");
    complete([completion = std::move(completion), n = delivered.size()] { completion(n); });
  }
  bool canOpenSystemSettings() const override { return hasSystemSettings; }
  void openSystemSettings() override {
    calls.emplace_back("openSystemSettings");
    ++openSystemSettingsCalls;
  }

  // Moves a pending request to the delivered ones, as its trigger falling due would, after asking
  // the delegate whether to show it (the answer is returned; false without a delegate).
  bool deliver(const std::string& identifier) {
    auto it = pending.find(identifier);
    if (it == pending.end()) return false;
    NotificationRequest request = std::move(it->second);
    pending.erase(it);
    const auto current = delegate.lock();
    const bool shown = current && current->shouldPresent(request.content);
    delivered[identifier] = std::move(request);
    return shown;
  }

  // Hands `response` to the delegate; false when there is none. Each call of the delegate's
  // completion adds one to `responseCompletions`.
  bool respond(const NotificationResponse& response) {
    const auto current = delegate.lock();
    if (!current) return false;
    current->didReceive(response, [this] { ++responseCompletions; });
    return true;
  }
  // The user acting on a delivered (else pending) request; false when neither holds it.
  bool respond(const std::string& actionIdentifier, const std::string& identifier) {
    for (const auto* from : {&delivered, &pending}) {
      if (auto it = from->find(identifier); it != from->end())
        return respond(NotificationResponse{actionIdentifier, identifier, it->second.content});
    }
    return false;
  }

  void runHeldCompletions() {
    while (!heldCompletions.empty()) {
      auto batch = std::exchange(heldCompletions, {});
      for (auto& completion : batch) completion();
    }
  }

  std::map<std::string, NotificationRequest> pending;
  std::map<std::string, NotificationRequest> delivered;
  std::vector<NotificationCategory> categories;
  std::weak_ptr<NotificationCenterDelegate> delegate;
  Status authorizationStatus = Status::notDetermined;
  std::optional<std::string> addError;
  bool holdsCompletions = false;
  std::vector<std::function<void()>> heldCompletions;
  std::vector<std::string> calls;
  bool hasSystemSettings = true;
  int openSystemSettingsCalls = 0;
  int responseCompletions = 0;

 private:
  void complete(std::function<void()> completion) {
    if (holdsCompletions) {
      heldCompletions.push_back(std::move(completion));
    } else {
      completion();
    }
  }
  static std::string joined(const std::vector<std::string>& identifiers) {
    std::string text;
    for (const auto& id : identifiers) text += " " + id;
    return text;
  }
};

}  // namespace brindlecap::testing
