#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/HotKeys.h"
#include "reminders/GlobalShortcut.h"

namespace brindlecap::testing {

// A hot-key service that refuses the combinations listed in `taken` and records every call, in
// order, as "register <identity>" (refused ones too) and "unregister".
class FakeHotKeySystem : public HotKeySystem {
 public:
  bool registerHotKey(const GlobalShortcut& shortcut) override {
    calls.push_back("register " + shortcut.identity());
    if (std::find(taken.begin(), taken.end(), shortcut) != taken.end()) return false;
    active = shortcut;
    return true;
  }
  void unregisterHotKey() override {
    calls.push_back("unregister");
    active.reset();
  }
  void setPressHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // The user presses `shortcut`: reaches the handler only while that combination is registered.
  bool press(const GlobalShortcut& shortcut) {
    if (active != shortcut) return false;
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
  std::optional<GlobalShortcut> active;
  std::vector<std::string> calls;

 private:
  std::function<void()> handler_;
};

}  // namespace brindlecap::testing
