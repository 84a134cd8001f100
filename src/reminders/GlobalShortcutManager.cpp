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
}

GlobalShortcutManager::~GlobalShortcutManager() {
  if (registered_) system_.unregisterHotKey();
  system_.setPressHandler(nullptr);
}

bool GlobalShortcutManager::registerShortcut(const GlobalShortcut& shortcut,
                                             std::function<void()> action) {
  // The previous combination stops working before the new one is tried.
  if (registered_) {
    system_.unregisterHotKey();
    registered_ = false;
  }
  *action_ = std::move(action);
  registered_ = system_.registerHotKey(shortcut.hotKeyCombination());
  if (!registered_) *action_ = nullptr;
  return registered_;
}

}  // namespace brindlecap
