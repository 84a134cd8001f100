#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HotKeys.h"

namespace brindlecap {

// The system-wide key combination that opens the timer list. Key codes and the modifier mask use
// the hot-key numbering the stored form has always used; the Linux hot-key service translates.
struct GlobalShortcut {
  static constexpr std::uint32_t kCommand = 256;
  static constexpr std::uint32_t kShift = 512;
  static constexpr std::uint32_t kOption = 2048;
  static constexpr std::uint32_t kControl = 4096;
  static constexpr std::uint32_t kKeyM = 46;
  static constexpr std::uint32_t kKeyT = 17;
  static constexpr std::uint32_t kKeyD = 2;

  std::uint32_t keyCode = kKeyM;
  std::uint32_t modifiers = kControl | kOption | kCommand;

  // Control+Option+Command+M, the combination used when nothing usable is stored.
  static GlobalShortcut defaultShortcut() { return {}; }
  // The three combinations offered in settings, in display order.
  static const std::vector<GlobalShortcut>& alternatives();

  // "46-6400": the key code and the modifier mask in decimal.
  std::string identity() const;
  // {"keyCode":46,"modifiers":6400}
  std::string toJson() const;
  // Nothing when a member is missing or is not an unsigned 32-bit integer.
  static std::optional<GlobalShortcut> fromJson(std::string_view json);
  // The key caps, as Linux keyboards label the keys: "Ctrl", "Alt", "Shift", "Super" for the set
  // bits, in that order, then the key ("M", "T", "D" or "?").
  std::vector<std::string> displayTokens() const;
  // The same combination as the desktop's hot-key service takes it (control → Ctrl, option →
  // Alt, command → Super); its text() is how menus and sentences write it.
  HotKeyCombination hotKeyCombination() const;

  friend bool operator==(const GlobalShortcut&, const GlobalShortcut&) = default;
};

}  // namespace brindlecap
