#include "platform/linux/PacedDisplayLink.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>

namespace brindlecap {
namespace {

// libstdc++'s steady_clock is CLOCK_MONOTONIC, and its condition variables wait on that clock
// (pthread_cond_clockwait), so deadlines here are on the same axis as SystemClock::uptime.
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaximumThreadNameLength = 15;

// Frames are drawn for the user; winning the CPU over background work keeps them on time. Not
// permitted for most users (RLIMIT_NICE), in which case the thread keeps the normal priority.
void raisePriorityIfPermitted() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return;
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), current - 5);
}

double seconds(Clock::time_point t) {
  return std::chrono::duration<double>(t.time_since_epoch()).count();
}

}  // namespace

std::string PacedDisplayLink::threadNameAsSeen() {
  return std::string(kThreadName).substr(0, kMaximumThreadNameLength);
}

PacedDisplayLink::~PacedDisplayLink() {
  stop();
}

void PacedDisplayLink::start(double framesPerSecond,
                             std::function<void(double timestamp)> onFrame) {
  stop();
  const double fps = framesPerSecond > 0 && std::isfinite(framesPerSecond) ? framesPerSecond : 1;
  std::unique_lock lock(mutex_);
  started_ = false;
  stopRequested_ = false;
  thread_ = std::thread([this, fps, onFrame = std::move(onFrame)] { run(fps, onFrame); });
  changed_.wait(lock, [this] { return started_; });
}

void PacedDisplayLink::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void PacedDisplayLink::run(double framesPerSecond, const std::function<void(double)>& onFrame) {
  pthread_setname_np(pthread_self(), threadNameAsSeen().c_str());
  raisePriorityIfPermitted();

  const Clock::time_point origin = Clock::now();
  const auto deadline = [&](std::int64_t frame) {
    return origin + std::chrono::round<Clock::duration>(std::chrono::duration<double>(
                        static_cast<double>(frame) / framesPerSecond));
  };

  std::unique_lock lock(mutex_);
  started_ = true;
  changed_.notify_all();

  std::int64_t frame = 1;
  for (;;) {
    const Clock::time_point due = deadline(frame);
    // Timed wait rather than a sleep, so stop() is answered at once.
    if (changed_.wait_until(lock, due, [this] { return stopRequested_; })) return;
    lock.unlock();
    onFrame(seconds(due));
    lock.lock();

    // Late by less than a frame: the next one follows at once. Further behind (a slow callback,
    // a stalled machine): resume at the first deadline still ahead rather than bursting.
    const Clock::time_point now = Clock::now();
    const auto reached = static_cast<std::int64_t>(
        std::floor(std::chrono::duration<double>(now - origin).count() * framesPerSecond));
    ++frame;
    if (reached > frame) {
      frame = reached + 1;
      while (deadline(frame) <= now) ++frame;
    }
  }
}

std::unique_ptr<DisplayLink> PacedDisplayLinkFactory::makeDisplayLink() {
  return std::make_unique<PacedDisplayLink>();
}

}  // namespace brindlecap
