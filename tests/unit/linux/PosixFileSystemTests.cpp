#include "platform/linux/PosixFileSystem.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
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
  // Hidden temporary files left next to `name`.
  std::vector<std::string> temporariesOf(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(root)) {
      const std::string file = entry.path().filename().string();
      if (file.rfind("." + name + ".", 0) == 0) found.push_back(entry.path().string());
    }
    return found;
  }

  testing::TemporaryDirectory temporary;
  const fs::path root = temporary.path();
  PosixFileSystem files{std::string("/unused")};
};

TEST(PosixFileSystemLocation, FollowsTheBaseDirectoryRules) {
  testing::FakeEnvironment environment;
  environment.variables = {{"XDG_DATA_HOME", "/data/home/"}, {"HOME", "/home/user"}};
  EXPECT_EQ(PosixFileSystem(environment).applicationSupportDirectory(), "/data/home");

  // A relative or empty value is invalid and ignored.
  environment.variables["XDG_DATA_HOME"] = "relative/data";
  EXPECT_EQ(PosixFileSystem(environment).applicationSupportDirectory(), "/home/user/.local/share");
  environment.variables["XDG_DATA_HOME"] = "";
  EXPECT_EQ(PosixFileSystem(environment).applicationSupportDirectory(), "/home/user/.local/share");

  // Without HOME the password database still knows the home folder.
  environment.variables.clear();
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  std::string home = user->pw_dir;
  if (home == "/") home.clear();
  EXPECT_EQ(PosixFileSystem(environment).applicationSupportDirectory(), home + "/.local/share");
}

TEST_F(PosixFileSystemTest, ReadTellsMissingFromFailed) {
  EXPECT_EQ(files.readFile(path("absent.json")).status, FileRead::Status::missing);
  EXPECT_FALSE(files.exists(path("absent.json")));

  std::ofstream(path("present.json")) << "[1, 2]";
  const FileRead present = files.readFile(path("present.json"));
  EXPECT_EQ(present.status, FileRead::Status::ok);
  EXPECT_EQ(present.contents, "[1, 2]");
  EXPECT_TRUE(files.exists(path("present.json")));

  // A folder where a file is expected fails with a reason, for root as for anyone.
  fs::create_directory(path("folder.json"));
  const FileRead folder = files.readFile(path("folder.json"));
  EXPECT_EQ(folder.status, FileRead::Status::failed);
  EXPECT_FALSE(folder.error.empty());

  if (::geteuid() != 0) {  // root reads through any permission bits
    fs::permissions(path("present.json"), fs::perms::none);
    const FileRead denied = files.readFile(path("present.json"));
    EXPECT_EQ(denied.status, FileRead::Status::failed);
    EXPECT_FALSE(denied.error.empty());
  }
}

TEST_F(PosixFileSystemTest, CreatesPrivateFoldersAndKeepsExistingOnes) {
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
}

TEST_F(PosixFileSystemTest, AtomicWriteCreatesAndReplacesPrivately) {
  const std::string target = path("timers.json");
  ASSERT_TRUE(files.writeFileAtomically(target, "first"));
  EXPECT_EQ(contentsOf(target), "first");
  EXPECT_EQ(modeOf(target), 0600u);

  const std::string large(300000, 'z');  // more than one write() may take
  ASSERT_TRUE(files.writeFileAtomically(target, large));
  EXPECT_EQ(contentsOf(target), large);
  ASSERT_TRUE(files.writeFileAtomically(target, ""));
  EXPECT_EQ(contentsOf(target), "");
  EXPECT_EQ(modeOf(target), 0600u);
  EXPECT_TRUE(temporariesOf("timers.json").empty());
}

TEST_F(PosixFileSystemTest, FailedAtomicWriteLeavesNothingBehind) {
  // The folder cannot exist: fails before any temporary file.
  std::ofstream(path("plain")) << "x";
  EXPECT_FALSE(files.writeFileAtomically(path("plain/timers.json"), "data"));

  // The rename fails after the temporary file was written (a folder is in the way, which
  // stops root too): the temporary file must go and the folder must stay.
  fs::create_directories(path("timers.json/inside"));
  EXPECT_FALSE(files.writeFileAtomically(path("timers.json"), "data"));
  EXPECT_TRUE(fs::is_directory(path("timers.json/inside")));
  EXPECT_TRUE(temporariesOf("timers.json").empty());

  if (::geteuid() != 0) {
    fs::create_directory(path("locked"));
    fs::permissions(path("locked"), fs::perms(0500));
    EXPECT_FALSE(files.writeFileAtomically(path("locked/timers.json"), "data"));
    fs::permissions(path("locked"), fs::perms(0700));
    EXPECT_TRUE(fs::is_empty(path("locked")));
  }
}

TEST_F(PosixFileSystemTest, MoveNeverReplacesAnExistingFile) {
  std::ofstream(path("a")) << "A";
  std::ofstream(path("b")) << "B";
  EXPECT_FALSE(files.moveWithoutReplacing(path("a"), path("b")));
  EXPECT_EQ(contentsOf(path("a")), "A");
  EXPECT_EQ(contentsOf(path("b")), "B");

  EXPECT_TRUE(files.moveWithoutReplacing(path("a"), path("c")));
  EXPECT_FALSE(files.exists(path("a")));
  EXPECT_EQ(contentsOf(path("c")), "A");
  EXPECT_FALSE(files.moveWithoutReplacing(path("a"), path("d")));
}

// Generation `n` of the document the crashing writer keeps saving: several kilobytes, and
// different for every n.
std::string documentFor(int n) {
  nlohmann::json array = nlohmann::json::array();
  const int count = 16 + n % 48;
  for (int i = 0; i < count; ++i) {
    const char letter = static_cast<char>('a' + (n + i) % 26);
    array.push_back({{"generation", n},
                     {"index", i},
                     {"title", std::string(static_cast<std::size_t>(80 + (n + i) % 40), letter)}});
  }
  return array.dump();
}

// A writer killed at random moments must leave either no file or one whole document.
TEST_F(PosixFileSystemTest, KilledWriterLeavesAWholeDocument) {
  const std::string target = path("timers.json");
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pauseMicroseconds(0, 15000);

  int observedWrites = 0;
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
    // The pause only varies where in a write the kill lands.
    std::this_thread::sleep_for(std::chrono::microseconds(pauseMicroseconds(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer failed";

    // The kill may interrupt one write and strand its temporary file (hidden, never read, and
    // harmless), but finished writes leave none.
    const auto stranded = temporariesOf("timers.json");
    ASSERT_LE(stranded.size(), 1u) << "round " << round;
    for (const auto& file : stranded) fs::remove(file);

    const FileRead read = files.readFile(target);
    if (read.status == FileRead::Status::missing) {
      ASSERT_EQ(observedWrites, 0) << "a saved file disappeared in round " << round;
      continue;
    }
    ASSERT_EQ(read.status, FileRead::Status::ok);
    const auto parsed = nlohmann::json::parse(read.contents, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << "torn file in round " << round;
    ASSERT_TRUE(parsed.is_array() && !parsed.empty());
    const int generation = parsed[0].at("generation").get<int>();
    ASSERT_EQ(read.contents, documentFor(generation)) << "round " << round;
    ++observedWrites;
  }
  EXPECT_GT(observedWrites, 0);
}

}  // namespace
}  // namespace brindlecap
