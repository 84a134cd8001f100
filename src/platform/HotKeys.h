#pragma once

#include <functional>

#include "reminders/GlobalShortcut.h"

namespace brindlecap {

// The desktop's system-wide hot-key service: at most one combination at a time.
class HotKeySystem {
 public:
  virtual ~HotKeySystem() = default;
  // Grabs `shortcut` for the whole desktop; false when it is taken by another client or the
  // desktop offers no hot keys (no X11 connection).
  virtual bool registerHotKey(const GlobalShortcut& shortcut) = 0;
  // Releases the registered combination, if any.
  virtual void unregisterHotKey() = 0;
  // Called on every press of the registered combination, on any thread.
  virtual void setPressHandler(std::function<void()> handler) = 0;
};

}  // namespace brindlecap
