#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/FileSystem.h"

namespace brindlecap::testing {

// Files and folders in a map. Tests can make a folder unwritable or a file unreadable.
class InMemoryFileSystem : public FileSystem {
 public:
  explicit InMemoryFileSystem(std::string supportDirectory = "/home/user/.local/share")
      : supportDirectory_(std::move(supportDirectory)) {}

  std::string applicationSupportDirectory() const override { return supportDirectory_; }
  bool createDirectories(const std::string& path) override;
  FileRead readFile(const std::string& path) const override;
  bool exists(const std::string& path) const override;
  bool writeFileAtomically(const std::string& path, std::string_view contents) override;
  bool moveWithoutReplacing(const std::string& from, const std::string& to) override;

  // Test controls and inspection.
  std::map<std::string, std::string> files;
  std::set<std::string> directories;
  std::set<std::string> unwritableDirectories;  // writes and renames into these fail
  std::set<std::string> unreadableFiles;
  int writeCount = 0;

 private:
  static std::string parentOf(const std::string& path);
  std::string supportDirectory_;
};

}  // namespace brindlecap::testing
