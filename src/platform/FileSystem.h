#pragma once

#include <string>
#include <string_view>

namespace brindlecap {

// Outcome of reading a whole file.
struct FileRead {
  enum class Status { ok, missing, failed };
  Status status = Status::missing;
  std::string contents;  // only meaningful when status == ok
  std::string error;     // readable description when status == failed
};

// The file operations the application needs, on absolute paths.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The per-user folder for application data ($XDG_DATA_HOME); the caller appends its own folder.
  virtual std::string applicationSupportDirectory() const = 0;
  // Creates `path` and any missing parents; new folders are private to the user (0700).
  virtual bool createDirectories(const std::string& path) = 0;
  virtual FileRead readFile(const std::string& path) const = 0;
  virtual bool exists(const std::string& path) const = 0;
  // Replaces `path` so a reader sees either the old or the new contents, never a mix, and the
  // new contents survive a crash once this returns true. The file is private to the user (0600).
  virtual bool writeFileAtomically(const std::string& path, std::string_view contents) = 0;
  // Renames `from` to `to`, failing rather than replacing an existing `to`.
  virtual bool moveWithoutReplacing(const std::string& from, const std::string& to) = 0;
};

}  // namespace brindlecap
