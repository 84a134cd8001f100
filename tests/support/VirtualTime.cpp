#include "support/VirtualTime.h"

#include <utility>

namespace brindlecap::testing {

class VirtualTime::Handle : public ScheduledWork {
 public:
  explicit Handle(std::weak_ptr<Timer> timer) : timer_(std::move(timer)) {}
  void cancel() override {
    if (auto t = timer_.lock()) t->cancelled = true;
  }

 private:
  std::weak_ptr<Timer> timer_;
};

VirtualTime::VirtualTime(TimePoint wallStart, double uptimeStart)
    : uptime_(uptimeStart), wall_(wallStart) {}

void VirtualTime::async(std::function<void()> work) {
  std::lock_guard lock(asyncMutex_);
  asyncWork_.push_back(std::move(work));
}

WorkHandle VirtualTime::after(double delaySeconds, std::function<void()> work) {
  auto timer =
      std::make_shared<Timer>(Timer{uptime_ + std::max(delaySeconds, 0.0), 0, std::move(work)});
  timers_.emplace(std::make_pair(timer->due, nextSequence_++), timer);
  return WorkHandle(std::make_unique<Handle>(timer));
}

WorkHandle VirtualTime::every(double intervalSeconds, std::function<void()> work) {
  auto timer =
      std::make_shared<Timer>(Timer{uptime_ + intervalSeconds, intervalSeconds, std::move(work)});
  timers_.emplace(std::make_pair(timer->due, nextSequence_++), timer);
  return WorkHandle(std::make_unique<Handle>(timer));
}

WorkHandle VirtualTime::wakeAt(TimePoint deadline, std::function<void()> work) {
  auto timer = std::make_shared<Timer>(
      Timer{uptime_ + std::max(deadline - wall_, 0.0), 0, std::move(work), false, true});
  timers_.emplace(std::make_pair(timer->due, nextSequence_++), timer);
  return WorkHandle(std::make_unique<Handle>(timer));
}

void VirtualTime::setWallClock(TimePoint t) {
  wall_ = t;
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (!it->second->wallAlarm || it->first.first <= uptime_) {
      ++it;
      continue;
    }
    auto timer = it->second;
    it = timers_.erase(it);
    timer->due = uptime_;
    timers_.emplace(std::make_pair(timer->due, nextSequence_++), timer);
  }
}

void VirtualTime::runPending() {
  for (;;) {
    std::vector<std::function<void()>> batch;
    {
      std::lock_guard lock(asyncMutex_);
      batch.swap(asyncWork_);
    }
    if (batch.empty()) return;
    for (auto& work : batch) work();
  }
}

void VirtualTime::advance(double seconds) {
  const double target = uptime_ + seconds;
  runPending();
  for (;;) {
    auto it = timers_.begin();
    while (it != timers_.end() && it->second->cancelled) it = timers_.erase(it);
    if (it == timers_.end() || it->first.first > target) break;
    auto timer = it->second;
    timers_.erase(it);
    wall_ += timer->due - uptime_;
    uptime_ = timer->due;
    if (timer->interval > 0) {
      timer->due += timer->interval;
      timers_.emplace(std::make_pair(timer->due, nextSequence_++), timer);
    }
    timer->work();
    runPending();
  }
  wall_ += target - uptime_;
  uptime_ = target;
}

std::size_t VirtualTime::pendingTimerCount() const {
  std::size_t count = 0;
  for (const auto& [key, timer] : timers_) count += timer->cancelled ? 0 : 1;
  return count;
}

}  // namespace brindlecap::testing
