#include "platform/linux/CanberraSound.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

// What the process writes to standard error (the descriptor itself, as libraries write it) while
// `work` runs.
template <typename Work>
std::string standardErrorOf(const std::string& file, Work work) {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int capture = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(capture, STDERR_FILENO);
  close(capture);
  work();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::ifstream in(file);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A machine without a sound device, made on any machine: only libcanberra's ALSA driver, and an
// ALSA configuration that defines no device at all. Nothing is heard; ALSA has plenty to say.
TEST(CanberraSoundTest, AlsaStaysQuietAndAFailureIsReportedAtMostOnce) {
  testing::TemporaryDirectory directory;
  std::ofstream(directory / "asound.conf") << "\n";
  setenv("CANBERRA_DRIVER", "alsa", 1);
  setenv("ALSA_CONFIG_PATH", (directory / "asound.conf").c_str(), 1);

  bool played = true;
  const std::string written = standardErrorOf(directory / "stderr", [&] {
    CanberraSound sound;
    played = sound.play() || sound.play();
  });
  EXPECT_FALSE(played);
  EXPECT_EQ(written.find("ALSA lib"), std::string::npos) << written;
  const auto lines = std::count(written.begin(), written.end(), '\n');
  EXPECT_LE(lines, 1) << written;
  if (lines == 1) {
    EXPECT_EQ(written.rfind("brindlecap: ", 0), 0u) << written;
  }
}

}  // namespace
}  // namespace brindlecap
