#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/FileSystem.h"

namespace brindlecap {

// The file operations on the local POSIX file system.
class PosixFileSystem : public FileSystem {
 public:
  // Application data under $XDG_DATA_HOME (default ~/.local/share) as `environment` has it now.
  explicit PosixFileSystem(const Environment& environment);
  // Application data under a fixed folder.
  explicit PosixFileSystem(std::string applicationSupportDirectory);

  std::string applicationSupportDirectory() const override;
  bool createDirectories(const std::string& path) override;
  FileRead readFile(const std::string& path) const override;
  bool exists(const std::string& path) const override;
  bool writeFileAtomically(const std::string& path, std::string_view contents) override;
  bool moveWithoutReplacing(const std::string& from, const std::string& to) override;

  // createDirectories with the reason: nothing on success, else the system's description.
  static std::optional<std::string> makeDirectories(const std::string& path);
  // writeFileAtomically with the given permissions and the reason: nothing on success, else the
  // system's description.
  static std::optional<std::string> replaceFile(const std::string& path, std::string_view contents,
                                                mode_t mode);

 private:
  std::string applicationSupportDirectory_;
};

// The system's readable text for an errno value.
std::string errorDescription(int error);

}  // namespace brindlecap
