#pragma once

#include <algorithm>
#include <functional>

#include "platform/Clock.h"
#include "platform/MainQueue.h"

namespace brindlecap {

// Wakes the main thread at a wall-clock instant. Whoever plans by the wall clock is called once:
// at the deadline, or earlier if the wall clock is set or the machine resumes from suspend (so it
// can plan again). Main thread only.
class WallClockAlarm {
 public:
  virtual ~WallClockAlarm() = default;
  [[nodiscard]] virtual WorkHandle wakeAt(TimePoint deadline, std::function<void()> work) = 0;
};

// The portable stand-in: a delay on the main queue. It notices neither clock changes nor a
// suspend (the delay counts monotonic time), so it is only as good as the next wake-up.
class MainQueueAlarm : public WallClockAlarm {
 public:
  MainQueueAlarm(const WallClock& clock, MainQueue& queue) : clock_(clock), queue_(queue) {}
  WorkHandle wakeAt(TimePoint deadline, std::function<void()> work) override {
    return queue_.after(std::max(deadline - clock_.now(), 0.0), std::move(work));
  }

 private:
  const WallClock& clock_;
  MainQueue& queue_;
};

}  // namespace brindlecap
