#pragma once

#include <functional>
#include <memory>

#include "platform/HotKeys.h"
#include "platform/MainQueue.h"
#include "settings/GlobalShortcut.h"

namespace brindlecap {

// Keeps at most one system-wide key combination registered and runs its action on the main queue
// whenever it is pressed. Main thread only; the hot-key system and the queue must outlive it.
class GlobalShortcutManager {
 public:
  // Installs the press handler; nothing is registered yet.
  GlobalShortcutManager(HotKeySystem& system, MainQueue& mainQueue);
  // Unregisters the combination, if any, then removes the press handler. A press already queued
  // does nothing once the manager is gone.
  ~GlobalShortcutManager();
  GlobalShortcutManager(const GlobalShortcutManager&) = delete;
  GlobalShortcutManager& operator=(const GlobalShortcutManager&) = delete;

  // Releases the current combination first, then tries `shortcut`; false (and no combination
  // active, the old one included) when the system refuses it.
  bool registerShortcut(const GlobalShortcut& shortcut, std::function<void()> action);

 private:
  using Action = std::function<void()>;

  HotKeySystem& system_;
  // Shared with the press handler only weakly, so queued presses cannot outlive the manager.
  std::shared_ptr<Action> action_ = std::make_shared<Action>();
  bool registered_ = false;
};

}  // namespace brindlecap
