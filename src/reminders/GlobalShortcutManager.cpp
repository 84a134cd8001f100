#include "reminders/GlobalShortcutManager.h"

#include <utility>

namespace brindlecap {

GlobalShortcutManager::GlobalShortcutManager(HotKeySystem& system, MainQueue& mainQueue)
    : system_(system) {
  // The system may call this on any thread: it only hops to the main queue and never touches
  // the manager, whose action is looked up there when the press is handled.
  system_.setPressHandler([queue = &mainQueue, weakAction = std::weak_ptr<Action>(action_)] {
    queue->async([weakAction] {
      const auto action = weakAction.lock();
      if (!action || !*action) return;
      // A copy, so an action that registers another combination does not destroy itself mid-call.
      const Action run = *action;
      run();
    });
  });
  // Answers arrive on the main thread, after the registration they answer.
  system_.setStatusHandler([this](HotKeyStatus status) {
    if (!holdsCombination()) return;
    status_ = status;
    if (!holdsCombination()) *action_ = nullptr;
    if (onStatusChange) onStatusChange(status_);
  });
}

GlobalShortcutManager::~GlobalShortcutManager() {
  if (holdsCombination()) system_.unregisterHotKey();
  system_.setStatusHandler(nullptr);
  system_.setPressHandler(nullptr);
}

bool GlobalShortcutManager::registerShortcut(const GlobalShortcut& shortcut,
                                             std::function<void()> action) {
  // The previous combination stops working before the new one is tried.
  if (holdsCombination()) {
    system_.unregisterHotKey();
    status_ = HotKeyStatus::unavailable;
  }
  *action_ = std::move(action);
  status_ = system_.registerHotKey(shortcut.hotKeyCombination());
  if (!holdsCombination()) *action_ = nullptr;
  return holdsCombination();
}

}  // namespace brindlecap
