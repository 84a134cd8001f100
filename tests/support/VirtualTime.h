#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/WallClockAlarm.h"

namespace brindlecap::testing {

// A main queue, wall clock and monotonic clock on virtual time. Nothing runs until a test
// calls runPending() or advance(); advance() runs every timer that falls due, in order, with the
// clocks set to each timer's due time. The wall clock can also be moved on its own (jumps); wall
// alarms then fall due at once, as they do on a clock change or a resume.
class VirtualTime : public MainQueue,
                    public WallClock,
                    public MonotonicClock,
                    public WallClockAlarm {
 public:
  explicit VirtualTime(TimePoint wallStart = 800000000.0, double uptimeStart = 1000.0);

  // MainQueue
  void async(std::function<void()> work) override;
  WorkHandle after(double delaySeconds, std::function<void()> work) override;
  WorkHandle every(double intervalSeconds, std::function<void()> work) override;
  // WallClockAlarm
  WorkHandle wakeAt(TimePoint deadline, std::function<void()> work) override;

  // Clocks
  TimePoint now() const override { return wall_; }
  double uptime() const override { return uptime_; }

  // Runs queued async work (including work queued while running) without moving time.
  void runPending();
  // Moves both clocks forward by `seconds`, running everything that falls due on the way.
  void advance(double seconds);
  // Sets only the wall clock, as a manual clock change or time sync would.
  void setWallClock(TimePoint t);

  std::size_t pendingTimerCount() const;

 private:
  struct Timer {
    double due = 0;       // on the uptime axis
    double interval = 0;  // 0 for one-shot
    std::function<void()> work;
    bool cancelled = false;
    bool wallAlarm = false;
  };
  class Handle;

  double uptime_;
  TimePoint wall_;
  std::uint64_t nextSequence_ = 0;
  std::multimap<std::pair<double, std::uint64_t>, std::shared_ptr<Timer>> timers_;
  mutable std::mutex asyncMutex_;
  std::vector<std::function<void()>> asyncWork_;
};

}  // namespace brindlecap::testing
