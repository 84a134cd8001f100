#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/DisplayLink.h"

namespace brindlecap {

// A display link paced by its own thread: frames at absolute CLOCK_MONOTONIC deadlines
// (origin + n / fps, so no drift), each called back with its deadline in seconds. A thread that
// falls more than a frame behind resumes at the next future deadline instead of catching up.
// start() and stop() belong to one thread and must not be called from the callback.
class PacedDisplayLink : public DisplayLink {
 public:
  // The kernel keeps only the first 15 bytes (TASK_COMM_LEN); see threadNameAsSeen().
  static constexpr const char* kThreadName = "Brindlecap.DisplayLink";
  static std::string threadNameAsSeen();

  PacedDisplayLink() = default;
  ~PacedDisplayLink() override;
  PacedDisplayLink(const PacedDisplayLink&) = delete;
  PacedDisplayLink& operator=(const PacedDisplayLink&) = delete;

  // A rate that is not a positive number runs at 1 frame per second. Restarts a running link.
  void start(double framesPerSecond, std::function<void(double timestamp)> onFrame) override;
  void stop() override;

 private:
  void run(double framesPerSecond, const std::function<void(double)>& onFrame);

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;        // guarded by mutex_; set by the thread once it is ready
  bool stopRequested_ = false;  // guarded by mutex_
};

class PacedDisplayLinkFactory : public DisplayLinkFactory {
 public:
  std::unique_ptr<DisplayLink> makeDisplayLink() override;
};

}  // namespace brindlecap
