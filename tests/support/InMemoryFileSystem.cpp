#include "support/InMemoryFileSystem.h"

namespace brindlecap::testing {

std::string InMemoryFileSystem::parentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool InMemoryFileSystem::createDirectories(const std::string& path) {
  std::string current;
  std::size_t start = 1;
  while (start <= path.size()) {
    auto next = path.find('/', start);
    current = path.substr(0, next);
    if (!directories.count(current)) {
      if (unwritableDirectories.count(parentOf(current))) return false;
      directories.insert(current);
    }
    if (next == std::string::npos) break;
    start = next + 1;
  }
  return true;
}

FileRead InMemoryFileSystem::readFile(const std::string& path) const {
  if (unreadableFiles.count(path)) return {FileRead::Status::failed, {}, "Permission denied"};
  auto it = files.find(path);
  if (it == files.end()) return {FileRead::Status::missing, {}, {}};
  return {FileRead::Status::ok, it->second, {}};
}

bool InMemoryFileSystem::exists(const std::string& path) const {
  return files.count(path) || directories.count(path);
}

bool InMemoryFileSystem::writeFileAtomically(const std::string& path, std::string_view contents) {
  const auto parent = parentOf(path);
  if (unwritableDirectories.count(parent) || !directories.count(parent)) return false;
  files[path] = std::string(contents);
  unreadableFiles.erase(path);
  ++writeCount;
  return true;
}

bool InMemoryFileSystem::moveWithoutReplacing(const std::string& from, const std::string& to) {
  auto it = files.find(from);
  if (it == files.end() || exists(to) || unwritableDirectories.count(parentOf(from)) ||
      unwritableDirectories.count(parentOf(to)))
    return false;
  files[to] = it->second;
  files.erase(from);
  if (unreadableFiles.erase(from)) unreadableFiles.insert(to);
  return true;
}

}  // namespace brindlecap::testing
