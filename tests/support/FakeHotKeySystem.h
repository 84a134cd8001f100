#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/HotKeys.h"
#include "settings/GlobalShortcut.h"

namespace brindlecap::testing {

// A hot-key service that refuses the combinations listed in `taken`, answers every other one
// with `answer` (a pending one later through answerLater), and records every call, in order, as
// "register Ctrl+Alt+Super+M" (refused ones too) and "unregister".
class FakeHotKeySystem : public HotKeySystem {
 public:
  HotKeyStatus registerHotKey(const HotKeyCombination& combination) override {
    calls.push_back("register " + combination.text());
    for (const auto& shortcut : taken) {
      if (shortcut.hotKeyCombination() == combination) return HotKeyStatus::taken;
    }
    if (answer == HotKeyStatus::registered || answer == HotKeyStatus::pending) active = combination;
    return answer;
  }
  void setStatusHandler(std::function<void(HotKeyStatus)> handler) override {
    statusHandler_ = std::move(handler);
  }
  // The desktop's late answer to the pending registration.
  void answerLater(HotKeyStatus status) {
    if (status != HotKeyStatus::registered) active.reset();
    if (statusHandler_) statusHandler_(status);
  }
  void unregisterHotKey() override {
    calls.push_back("unregister");
    active.reset();
  }
  void setPressHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // The user presses `shortcut`: reaches the handler only while that combination is registered.
  bool press(const GlobalShortcut& shortcut) {
    if (active != shortcut.hotKeyCombination()) return false;
    press();
    return true;
  }
  // A hot-key event as the system delivers it, whatever is registered (e.g. one already in
  // flight when the combination was released).
  void press() {
    if (handler_) handler_();
  }

  bool hasPressHandler() const { return static_cast<bool>(handler_); }

  std::vector<GlobalShortcut> taken;
  HotKeyStatus answer = HotKeyStatus::registered;
  std::optional<HotKeyCombination> active;
  std::vector<std::string> calls;

 private:
  std::function<void()> handler_;
  std::function<void(HotKeyStatus)> statusHandler_;
};

}  // namespace brindlecap::testing
