#pragma once

#include <optional>
#include <string>

#include "platform/Environment.h"
#include "platform/LoginItems.h"

namespace brindlecap {

// Launch at login as an XDG autostart entry that starts `executablePath`.
class XdgLoginItems : public LoginItems {
 public:
  XdgLoginItems(std::string entryPath, std::string executablePath);

  // "$XDG_CONFIG_HOME/autostart/<app id>.desktop" (default ~/.config).
  static std::string defaultEntryPath(const Environment& environment);
  // The desktop entry that starts `executablePath`.
  static std::string entryContents(const std::string& executablePath);

  bool isEnabled() const override;
  std::optional<std::string> registerItem() override;
  std::optional<std::string> unregisterItem() override;

 private:
  std::string entryPath_;
  std::string executablePath_;
};

}  // namespace brindlecap
