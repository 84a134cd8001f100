#include "platform/linux/PosixFileSystem.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "support/FakeEnvironment.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

namespace fs = std::filesystem;

class PosixFileSystemTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (root / name).string(); }
  static std::string contentsOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static unsigned modeOf(const std::string& file) {
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
  }
  // Hidden temporary files left next to timers.json.
  std::vector<fs::path> temporaries() const {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(root))
      if (entry.path().filename().string().rfind(".timers.json.", 0) == 0)
        found.push_back(entry.path());
    return found;
  }

  testing::TemporaryDirectory temporary;
  const fs::path root = temporary.path();
  PosixFileSystem files{std::string("/unused")};
};

TEST(PosixFileSystemLocation, FollowsTheBaseDirectoryRules) {
  testing::FakeEnvironment environment;
  const auto location = [&] { return PosixFileSystem(environment).applicationSupportDirectory(); };
  environment.variables = {{"XDG_DATA_HOME", "/data/home/"}, {"HOME", "/home/user"}};
  EXPECT_EQ(location(), "/data/home");
  for (const char* invalid : {"relative/data", ""}) {  // invalid, so ignored
    environment.variables["XDG_DATA_HOME"] = invalid;
    EXPECT_EQ(location(), "/home/user/.local/share") << invalid;
  }
  // Without HOME the password database still knows the home folder.
  environment.variables.clear();
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  const std::string home = std::string(user->pw_dir) == "/" ? "" : user->pw_dir;
  EXPECT_EQ(location(), home + "/.local/share");
}

TEST_F(PosixFileSystemTest, CreatesPrivateFoldersAndMovesWithoutReplacing) {
  fs::create_directory(path("shared"));
  fs::permissions(path("shared"), fs::perms(0755));
  EXPECT_TRUE(files.createDirectories(path("shared/a/b/")));
  EXPECT_EQ(modeOf(path("shared")), 0755u);
  EXPECT_EQ(modeOf(path("shared/a")), 0700u);
  EXPECT_EQ(modeOf(path("shared/a/b")), 0700u);
  EXPECT_TRUE(files.createDirectories(path("shared/a/b")));

  std::ofstream(path("plain")) << "x";
  EXPECT_FALSE(files.createDirectories(path("plain/sub")));
  EXPECT_FALSE(files.createDirectories(path("plain")));
  EXPECT_TRUE(PosixFileSystem::makeDirectories(path("plain/sub")).has_value());

  std::ofstream(path("a")) << "A";
  EXPECT_FALSE(files.moveWithoutReplacing(path("a"), path("plain")));
  EXPECT_EQ(contentsOf(path("a")) + contentsOf(path("plain")), "Ax");
  EXPECT_TRUE(files.moveWithoutReplacing(path("a"), path("c")));
  EXPECT_FALSE(files.exists(path("a")));
  EXPECT_EQ(contentsOf(path("c")), "A");
  EXPECT_FALSE(files.moveWithoutReplacing(path("a"), path("d")));
}

TEST_F(PosixFileSystemTest, WritesAtomicallyPrivatelyAndReadsBackTellingMissingFromFailed) {
  const std::string target = path("timers.json");
  EXPECT_EQ(files.readFile(target).status, FileRead::Status::missing);
  EXPECT_FALSE(files.exists(target));
  // The large one is more than one write() may take.
  for (const std::string& contents :
       {std::string("first"), std::string(300000, 'z'), std::string()}) {
    ASSERT_TRUE(files.writeFileAtomically(target, contents));
    EXPECT_EQ(contentsOf(target), contents);
    EXPECT_EQ(modeOf(target), 0600u);
  }
  EXPECT_TRUE(temporaries().empty());
  std::ofstream(target) << "[1, 2]";
  const FileRead present = files.readFile(target);
  EXPECT_EQ(present.status, FileRead::Status::ok);
  EXPECT_EQ(present.contents, "[1, 2]");
  EXPECT_TRUE(files.exists(target));

  // The folder cannot exist: fails before any temporary file.
  std::ofstream(path("plain")) << "x";
  EXPECT_FALSE(files.writeFileAtomically(path("plain/timers.json"), "data"));
  // The rename fails after the temporary file was written (a folder is in the way, which stops
  // root too): the temporary file must go and the folder must stay. Reading the folder fails
  // with a reason.
  fs::remove(target);
  fs::create_directories(path("timers.json/inside"));
  EXPECT_FALSE(files.writeFileAtomically(target, "data"));
  EXPECT_TRUE(fs::is_directory(path("timers.json/inside")));
  EXPECT_TRUE(temporaries().empty());
  const FileRead folder = files.readFile(target);
  EXPECT_EQ(folder.status, FileRead::Status::failed);
  EXPECT_FALSE(folder.error.empty());

  if (::geteuid() != 0) {  // root reads and writes through any permission bits
    fs::permissions(path("plain"), fs::perms::none);
    EXPECT_EQ(files.readFile(path("plain")).status, FileRead::Status::failed);
    fs::create_directory(path("locked"));
    fs::permissions(path("locked"), fs::perms(0500));
    EXPECT_FALSE(files.writeFileAtomically(path("locked/timers.json"), "data"));
    fs::permissions(path("locked"), fs::perms(0700));
    EXPECT_TRUE(fs::is_empty(path("locked")));
  }
}

// Generation `n` of the document the crashing writer keeps saving: several kilobytes, different
// for every n, and starting with n.
std::string documentFor(int n) {
  return std::to_string(n) + " " +
         std::string(2000 + n * 37 % 5000, static_cast<char>('a' + n % 26));
}

// A writer killed at scattered moments must leave either no file or one whole document.
TEST_F(PosixFileSystemTest, KilledWriterLeavesAWholeDocument) {
  const std::string target = path("timers.json");
  for (int round = 0; round < 200; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      ::close(ready[0]);
      PosixFileSystem writer{std::string("/unused")};
      for (int n = 0;; ++n) {
        if (!writer.writeFileAtomically(target, documentFor(n))) ::_exit(1);
        if (n == 0) {
          // Tell the parent a first save landed, so a slow start (sanitizers) still tests kills
          // in the middle of later saves.
          [[maybe_unused]] auto written = ::write(ready[1], "r", 1);
          ::close(ready[1]);
        }
      }
    }
    ::close(ready[1]);
    char signal = 0;
    [[maybe_unused]] auto got = ::read(ready[0], &signal, 1);
    ::close(ready[0]);
    // The pause, spread over 0–15 ms, only varies where in a write the kill lands.
    std::this_thread::sleep_for(std::chrono::microseconds(round * 7919 % 15000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer failed";

    // The kill may strand the temporary file of the write it interrupts (hidden, never read,
    // harmless), but finished writes leave none.
    const auto stranded = temporaries();
    ASSERT_LE(stranded.size(), 1u) << "round " << round;
    for (const auto& file : stranded) fs::remove(file);

    // A first save always landed before the kill.
    const FileRead read = files.readFile(target);
    ASSERT_EQ(read.status, FileRead::Status::ok) << "the file disappeared in round " << round;
    ASSERT_EQ(read.contents, documentFor(std::atoi(read.contents.c_str()))) << "torn in " << round;
  }
}

}  // namespace
}  // namespace brindlecap
