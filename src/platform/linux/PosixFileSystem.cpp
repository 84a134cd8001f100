#include "platform/linux/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/linux/ProcessEnvironment.h"

namespace brindlecap {

namespace {

// strerror_r comes in a GNU flavour (returns the text) and an XSI one (fills the buffer); these
// overloads accept either.
[[maybe_unused]] const char* pickText(const char* text, const char*) {
  return text;
}
[[maybe_unused]] const char* pickText(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}

// Closes on every path out of a function; close errors that matter are checked explicitly first.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool isValid() const { return fd_ >= 0; }
  // Closes now; false (with errno) when the kernel reports a deferred write error.
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

struct SplitPath {
  std::string folder;
  std::string name;
};

SplitPath splitPath(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::optional<std::string> failure(int error) {
  return errorDescription(error);
}

std::optional<std::string> syncFolder(const std::string& folder) {
  FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.isValid()) return failure(errno);
  // Some file systems cannot sync a folder at all (EINVAL); the rename is as durable there as
  // it will ever be.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return failure(errno);
  return std::nullopt;
}

}  // namespace

std::string errorDescription(int error) {
  char buffer[256] = {};
  return pickText(::strerror_r(error, buffer, sizeof buffer), buffer);
}

PosixFileSystem::PosixFileSystem(const Environment& environment)
    : applicationSupportDirectory_(xdgBaseDirectory(environment, "XDG_DATA_HOME", ".local/share")) {
}

PosixFileSystem::PosixFileSystem(std::string applicationSupportDirectory)
    : applicationSupportDirectory_(std::move(applicationSupportDirectory)) {}

std::string PosixFileSystem::applicationSupportDirectory() const {
  return applicationSupportDirectory_;
}

bool PosixFileSystem::createDirectories(const std::string& path) {
  return !makeDirectories(path).has_value();
}

std::optional<std::string> PosixFileSystem::makeDirectories(const std::string& path) {
  if (path.empty()) return failure(ENOENT);
  std::size_t end = 0;
  while (end != std::string::npos) {
    end = path.find('/', end + 1);
    const std::string prefix = path.substr(0, end);
    if (prefix.empty() || prefix.back() == '/') continue;  // the root, or a doubled slash

    struct stat info {};
    if (::stat(prefix.c_str(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) return failure(ENOTDIR);
      continue;
    }
    if (errno != ENOENT) return failure(errno);
    if (::mkdir(prefix.c_str(), 0700) != 0) {
      // Someone else may have created it between the stat and the mkdir.
      int error = errno;
      if (error != EEXIST || ::stat(prefix.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return failure(error == EEXIST ? ENOTDIR : error);
    }
  }
  return std::nullopt;
}

FileRead PosixFileSystem::readFile(const std::string& path) const {
  FileRead result;
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.isValid()) {
    if (errno == ENOENT) {
      result.status = FileRead::Status::missing;
    } else {
      result.status = FileRead::Status::failed;
      result.error = errorDescription(errno);
    }
    return result;
  }

  struct stat info {};
  if (::fstat(fd.get(), &info) == 0 && info.st_size > 0)
    result.contents.reserve(static_cast<std::size_t>(info.st_size));
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    ssize_t count = ::read(fd.get(), buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      result.status = FileRead::Status::failed;
      result.error = errorDescription(errno);
      result.contents.clear();
      return result;
    }
    if (count == 0) break;
    result.contents.append(buffer.data(), static_cast<std::size_t>(count));
  }
  result.status = FileRead::Status::ok;
  return result;
}

bool PosixFileSystem::exists(const std::string& path) const {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool PosixFileSystem::writeFileAtomically(const std::string& path, std::string_view contents) {
  return !replaceFile(path, contents, 0600).has_value();
}

std::optional<std::string> PosixFileSystem::replaceFile(const std::string& path,
                                                        std::string_view contents, mode_t mode) {
  const auto [folder, name] = splitPath(path);
  if (name.empty()) return failure(EISDIR);

  // The temporary file sits in the target's folder so the rename cannot cross file systems. A
  // crash may leave one behind; it is hidden, never read, and does no harm.
  std::string temporary = (folder == "/" ? "/" : folder + "/") + "." + name + ".XXXXXX";
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.isValid()) return failure(errno);

  auto abandon = [&temporary](int error) {
    ::unlink(temporary.c_str());
    return failure(error);
  };
  if (::fchmod(fd.get(), mode) != 0) return abandon(errno);
  if (!writeAll(fd.get(), contents)) return abandon(errno);
  // The data must be on disk before the rename makes it the file, or a crash could leave the
  // new name pointing at an empty file.
  if (::fsync(fd.get()) != 0) return abandon(errno);
  if (!fd.close()) return abandon(errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return abandon(errno);
  // The rename itself lives in the folder; without this a crash could bring back the old file.
  return syncFolder(folder);
}

bool PosixFileSystem::moveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;

  // File systems without RENAME_NOREPLACE: link() refuses an existing target just as well.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

}  // namespace brindlecap
