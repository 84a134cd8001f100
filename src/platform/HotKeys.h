#pragma once

#include <functional>
#include <string>

namespace brindlecap {

// A key combination in the desktop's own terms: a Latin letter and the modifiers held with it.
struct HotKeyCombination {
  char letter = 0;  // 'A'…'Z'; 0 for a key the desktop cannot be asked for
  bool control = false;
  bool alt = false;
  bool super = false;
  bool shift = false;

  // "Ctrl+Alt+Super+M", the way Linux desktops write combinations; "?" stands for no letter.
  std::string text() const {
    std::string out;
    if (control) out += "Ctrl+";
    if (alt) out += "Alt+";
    if (shift) out += "Shift+";
    if (super) out += "Super+";
    out += letter != 0 ? letter : '?';
    return out;
  }

  friend bool operator==(const HotKeyCombination&, const HotKeyCombination&) = default;
};

// What became of a registration.
enum class HotKeyStatus {
  registered,   // presses arrive
  pending,      // the desktop answers later (it may first ask the user)
  taken,        // another client holds the combination
  declined,     // the desktop, or its user, did not bind it
  unavailable,  // this session offers no system-wide hot keys at all
};

// The desktop's system-wide hot-key service: at most one combination at a time.
class HotKeySystem {
 public:
  virtual ~HotKeySystem() = default;
  // Binds `combination` for the whole desktop, releasing any earlier one first.
  virtual HotKeyStatus registerHotKey(const HotKeyCombination& combination) = 0;
  // Releases the registered (or pending) combination, if any.
  virtual void unregisterHotKey() = 0;
  // Called on every press of the registered combination, on any thread.
  virtual void setPressHandler(std::function<void()> handler) = 0;
  // Called on the main thread with the final answer to a pending registration, and whenever
  // the desktop later withdraws a registered one.
  virtual void setStatusHandler(std::function<void(HotKeyStatus)> handler) { (void)handler; }
};

}  // namespace brindlecap
