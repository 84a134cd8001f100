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

// The desktop's system-wide hot-key service: at most one combination at a time.
class HotKeySystem {
 public:
  virtual ~HotKeySystem() = default;
  // Grabs `combination` for the whole desktop; false when it is taken by another client or the
  // desktop offers no hot keys (no X11 connection).
  virtual bool registerHotKey(const HotKeyCombination& combination) = 0;
  // Releases the registered combination, if any.
  virtual void unregisterHotKey() = 0;
  // Called on every press of the registered combination, on any thread.
  virtual void setPressHandler(std::function<void()> handler) = 0;
};

}  // namespace brindlecap
