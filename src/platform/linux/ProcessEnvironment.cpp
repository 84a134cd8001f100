#include "platform/linux/ProcessEnvironment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace brindlecap {

std::optional<std::string> ProcessEnvironment::variable(const std::string& name) const {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void StandardOutputDiagnostics::writeLine(std::string_view line) {
  // One lock per line so lines from different threads never interleave; stdout may be a pipe
  // read by a test script, hence the flush after every line.
  std::lock_guard lock(mutex_);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

namespace {

std::string homeDirectory(const Environment& environment) {
  if (auto home = environment.variable("HOME"); home && !home->empty()) return *home;
  // A session started without HOME (some service managers do) still has a home folder.
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir) {
    return result->pw_dir;
  }
  return "/";
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string xdgBaseDirectory(const Environment& environment, const std::string& variable,
                             const std::string& fallbackUnderHome) {
  // The base directory rules say relative values are invalid and must be ignored.
  if (auto value = environment.variable(variable);
      value && !value->empty() && value->front() == '/')
    return withoutTrailingSlashes(*value);
  std::string home = withoutTrailingSlashes(homeDirectory(environment));
  if (home == "/") home.clear();
  return home + "/" + fallbackUnderHome;
}

}  // namespace brindlecap
