#include "platform/linux/PacedDisplayLink.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "menubar/DragDisplayLinkDriver.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

using std::chrono::steady_clock;  // CLOCK_MONOTONIC, the link's clock

// "Brindlecap.DisplayLink" as ps, top and /proc show it: cut to the kernel's 15 bytes.
constexpr const char* kPacingThreadName = "Brindlecap.Disp";

// Slack for comparing timestamps that went through nanosecond rounding and doubles.
constexpr double kTolerance = 1e-6;

double monotonicNow() {
  return std::chrono::duration<double>(steady_clock::now().time_since_epoch()).count();
}

// How many of this process's threads the kernel lists under the pacing thread's name.
int pacingThreadCount() {
  int count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    if (std::getline(comm, name) && name == kPacingThreadName) ++count;
  }
  return count;
}

// Polls `condition` until it holds; false if it still does not after a limit that only keeps a
// broken build from hanging. A joined thread stays listed for a moment after join returns: the
// kernel wakes the joiner before it unlists the thread.
bool eventually(const std::function<bool()>& condition) {
  const auto limit = steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct Frame {
  double timestamp = 0;
  double receivedAt = 0;  // CLOCK_MONOTONIC as the callback began
  double returnedAt = 0;  // and as it was about to return
};

// Frames as the pacing thread hands them over, for the test's thread to wait on.
struct FrameLog {
  void add(const Frame& frame) {
    std::lock_guard lock(mutex);
    frames.push_back(frame);
    added.notify_all();
  }
  // Records each frame with the times its callback began and returned.
  std::function<void(double)> recorder() {
    return [this](double timestamp) { add({timestamp, monotonicNow(), monotonicNow()}); };
  }
  std::size_t size() {
    std::lock_guard lock(mutex);
    return frames.size();
  }
  // Waits for `count` frames, up to a limit that only keeps a broken build from hanging.
  std::vector<Frame> waitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    added.wait_for(lock, std::chrono::seconds(10), [&] { return frames.size() >= count; });
    return frames;
  }

  std::mutex mutex;
  std::condition_variable added;
  std::vector<Frame> frames;
};

class PacedDisplayLinkTest : public ::testing::Test {
 protected:
  // Threads of earlier tests may still be listed for a moment.
  void SetUp() override {
    ASSERT_TRUE(eventually([] { return pacingThreadCount() == 0; }));
  }
};

// Where a link paced at `period` goes after `frame`: to the following deadline, even an overdue
// one, unless that one was a whole period late when the callback returned; then to the first
// deadline still ahead.
double expectedNextDeadline(const Frame& frame, double period) {
  const double following = frame.timestamp + period;
  if (frame.returnedAt < following + period) return following;
  return frame.timestamp + (std::floor((frame.returnedAt - frame.timestamp) / period) + 1) * period;
}

TEST_F(PacedDisplayLinkTest, FramesFallOnMonotonicDeadlinesAndResumeAfterAStallWithoutABurst) {
  constexpr double kFps = 10;
  constexpr double kPeriod = 1 / kFps;
  PacedDisplayLink link;
  FrameLog log;
  int calls = 0;  // pacing thread only
  std::atomic<int> framesOnOtherThreads{0};
  const double beforeStart = monotonicNow();
  link.start(kFps, [&](double timestamp) {
    const double receivedAt = monotonicNow();
    char thread[16] = {};
    pthread_getname_np(pthread_self(), thread, sizeof thread);
    if (std::string(thread) != kPacingThreadName) ++framesOnOtherThreads;
    // A short stall leaves the next frame overdue by less than a period; a long one leaves the
    // thread several frames behind. (The minimum only keeps a timestamp on the wrong clock from
    // stalling for ever.)
    const double due = std::min(timestamp, receivedAt);
    const double stall = calls == 1 ? 1.3 : calls == 3 ? 3.5 : 0;
    std::this_thread::sleep_for(std::chrono::duration<double>(due + stall * kPeriod - receivedAt));
    ++calls;
    log.add({timestamp, receivedAt, monotonicNow()});
  });
  const double afterStart = monotonicNow();
  // Right away, without waiting: start() returns only once the thread runs under its name.
  EXPECT_EQ(pacingThreadCount(), 1);
  const std::vector<Frame> frames = log.waitFor(6);
  link.stop();
  ASSERT_GE(frames.size(), 6u);
  EXPECT_EQ(framesOnOtherThreads.load(), 0);

  // The grid's origin is taken inside start(), and the first deadline is a period after it
  // (later ones only if the thread was slow to get going).
  const double periodsAfterStart =
      std::floor((frames.front().timestamp - beforeStart) / kPeriod + kTolerance);
  EXPECT_GE(periodsAfterStart, 1);
  EXPECT_LE(frames.front().timestamp - periodsAfterStart * kPeriod, afterStart + kTolerance);

  // The short stall left an overdue frame, which still came; the long one skipped frames.
  EXPECT_LT(frames[2].timestamp, frames[1].returnedAt);
  EXPECT_NEAR(frames[2].timestamp - frames[1].timestamp, kPeriod, kTolerance);
  EXPECT_GT(frames[4].timestamp, frames[3].returnedAt);
  EXPECT_GT(frames[4].timestamp - frames[3].timestamp, 1.5 * kPeriod);

  for (std::size_t i = 0; i < frames.size(); ++i) {
    // On the receiver's CLOCK_MONOTONIC: never ahead of it, and nowhere near another clock.
    EXPECT_LE(frames[i].timestamp, frames[i].receivedAt + kTolerance) << "frame " << i;
    EXPECT_LT(frames[i].receivedAt - frames[i].timestamp, 1.0) << "frame " << i;
    if (i > 0) {
      EXPECT_NEAR(frames[i].timestamp, expectedNextDeadline(frames[i - 1], kPeriod), kTolerance)
          << "frame " << i;
    }
  }
}

TEST_F(PacedDisplayLinkTest, NoCallbackRunsAfterStopReplacementDestructionOrAStopFromTheDriver) {
  std::atomic<bool> stopped{false};
  std::atomic<int> callbacksAfterStop{0};
  FrameLog replaced;
  FrameLog latest;
  std::size_t replacedCount = 0;
  {
    PacedDisplayLink link;
    link.stop();  // before any start
    FrameLog log;
    auto record = log.recorder();
    for (int round = 0; round < 5; ++round) {
      stopped = false;
      link.start(1000, [&](double timestamp) {
        if (stopped) ++callbacksAfterStop;
        record(timestamp);
        // A slow frame, so that stop() comes while a callback is running.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (stopped) ++callbacksAfterStop;
      });
      const std::size_t before = log.size();
      ASSERT_GE(log.waitFor(before + 2).size(), before + 2);
      link.stop();
      stopped = true;
    }
    link.stop();
    EXPECT_TRUE(eventually([] { return pacingThreadCount() == 0; }));

    link.start(200, replaced.recorder());
    ASSERT_GE(replaced.waitFor(2).size(), 2u);
    // Starting a running link replaces its thread and callback.
    link.start(200, latest.recorder());
    replacedCount = replaced.size();
    ASSERT_GE(latest.waitFor(2).size(), 2u);
    EXPECT_TRUE(eventually([] { return pacingThreadCount() == 1; }));
  }
  // Destroying a running link stops it too.
  const std::size_t latestCount = latest.size();
  EXPECT_TRUE(eventually([] { return pacingThreadCount() == 0; }));
  EXPECT_EQ(callbacksAfterStop.load(), 0);
  EXPECT_EQ(replaced.size(), replacedCount);
  EXPECT_EQ(latest.size(), latestCount);

  // The drag driver on a real link, stopped from its own callback on the main thread.
  constexpr std::size_t kDeliveries = 10;
  testing::VirtualTime mainQueue;
  PacedDisplayLinkFactory factory;
  auto driver = std::make_shared<DragDisplayLinkDriver>(mainQueue, factory);

  std::vector<double> delivered;
  driver->start(120, [&](double timestamp) {
    delivered.push_back(timestamp);
    // Joins the pacing thread from the main thread while it may be delivering another frame.
    if (delivered.size() == kDeliveries) driver->stop();
  });
  ASSERT_TRUE(eventually([&] {
    mainQueue.runPending();
    return delivered.size() >= kDeliveries;
  }));
  EXPECT_EQ(delivered.size(), kDeliveries);
  EXPECT_TRUE(eventually([] { return pacingThreadCount() == 0; }));
  mainQueue.runPending();
  EXPECT_EQ(delivered.size(), kDeliveries);
}

}  // namespace
}  // namespace brindlecap
