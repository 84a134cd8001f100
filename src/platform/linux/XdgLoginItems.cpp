#include "platform/linux/XdgLoginItems.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <string_view>

#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/ProcessEnvironment.h"

namespace brindlecap {

namespace {

std::string_view trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// One argument of an Exec line. Quoting rules first (reserved characters force double quotes,
// inside which " ` $ \ take a backslash), then '%' is doubled so it is not a field code, then
// the string escape of every desktop entry value doubles each backslash.
std::string execArgument(const std::string& argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string quoted;
  if (argument.empty() || argument.find_first_of(kReserved) != std::string::npos) {
    quoted += '"';
    for (char c : argument) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
  } else {
    quoted = argument;
  }

  std::string escaped;
  for (char c : quoted) {
    switch (c) {
      case '%':
        escaped += "%%";
        break;
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace

XdgLoginItems::XdgLoginItems(std::string entryPath, std::string executablePath)
    : entryPath_(std::move(entryPath)), executablePath_(std::move(executablePath)) {}

std::string XdgLoginItems::defaultEntryPath(const Environment& environment) {
  return xdgBaseDirectory(environment, "XDG_CONFIG_HOME", ".config") + "/autostart/" +
         BRINDLECAP_APP_ID ".desktop";
}

std::string XdgLoginItems::entryContents(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Brindlecap\n"
         "Comment=Countdown timers in the top bar\n"
         "Comment[ru]=Таймеры обратного отсчёта в строке меню\n"
         "Exec=" +
         execArgument(executablePath) +
         "\n"
         "Icon=" BRINDLECAP_APP_ID
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool XdgLoginItems::isEnabled() const {
  // A stream opens a folder without complaint, so the type is checked first.
  struct stat info {};
  if (::stat(entryPath_.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream file(entryPath_);
  if (!file) return false;

  // The entry counts unless the desktop is told to skip it: Hidden=true (the autostart rules'
  // way to disable an entry) or GNOME's own X-GNOME-Autostart-enabled=false.
  bool inMainGroup = false;
  std::string line;
  while (std::getline(file, line)) {
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[') {
      inMainGroup = text == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = trimmed(text.substr(0, equals));
    const std::string_view value = trimmed(text.substr(equals + 1));
    if (key == "Hidden" && equalsIgnoringCase(value, "true")) return false;
    if (key == "X-GNOME-Autostart-enabled" && equalsIgnoringCase(value, "false")) return false;
  }
  return true;
}

std::optional<std::string> XdgLoginItems::registerItem() {
  const auto slash = entryPath_.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (auto error = PosixFileSystem::makeDirectories(entryPath_.substr(0, slash))) return error;
  }
  // Readable by the session that starts it; rewriting also clears a Hidden=true left by a
  // desktop's own startup-applications tool.
  return PosixFileSystem::replaceFile(entryPath_, entryContents(executablePath_), 0644);
}

std::optional<std::string> XdgLoginItems::unregisterItem() {
  if (::unlink(entryPath_.c_str()) != 0 && errno != ENOENT) return errorDescription(errno);
  return std::nullopt;
}

}  // namespace brindlecap
