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
  // active, the old one included) when the system refuses it. A desktop that answers later
  // counts as true until it does; status() tells the two apart.
  bool registerShortcut(const GlobalShortcut& shortcut, std::function<void()> action);
  // The latest registration's state; `unavailable` before the first.
  HotKeyStatus status() const { return status_; }

  // Called on the main thread when a pending registration is answered or a registered one is
  // withdrawn by the desktop; status() already holds the new state.
  std::function<void(HotKeyStatus)> onStatusChange;

 private:
  using Action = std::function<void()>;

  bool holdsCombination() const {
    return status_ == HotKeyStatus::registered || status_ == HotKeyStatus::pending;
  }

  HotKeySystem& system_;
  // Shared with the press handler only weakly, so queued presses cannot outlive the manager.
  std::shared_ptr<Action> action_ = std::make_shared<Action>();
  HotKeyStatus status_ = HotKeyStatus::unavailable;
};

}  // namespace brindlecap
