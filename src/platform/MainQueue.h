#pragma once

#include <functional>
#include <memory>

namespace brindlecap {

// Something scheduled on the main queue that can still be called off.
class ScheduledWork {
 public:
  virtual ~ScheduledWork() = default;
  virtual void cancel() = 0;
};

// Owns one piece of scheduled work: destroying or resetting the handle cancels it, so an
// object that keeps its handle as a member can never be called after it is gone.
class WorkHandle {
 public:
  WorkHandle() = default;
  explicit WorkHandle(std::unique_ptr<ScheduledWork> work) : work_(std::move(work)) {}
  WorkHandle(WorkHandle&&) noexcept = default;
  WorkHandle& operator=(WorkHandle&& other) noexcept {
    if (this != &other) {
      cancel();
      work_ = std::move(other.work_);
    }
    return *this;
  }
  ~WorkHandle() { cancel(); }

  void cancel() {
    if (work_) {
      work_->cancel();
      work_.reset();
    }
  }
  explicit operator bool() const { return work_ != nullptr; }

 private:
  std::unique_ptr<ScheduledWork> work_;
};

// The main thread's run loop. All application state lives on it.
class MainQueue {
 public:
  virtual ~MainQueue() = default;
  // Runs `work` on the main thread soon. Safe to call from any thread.
  virtual void async(std::function<void()> work) = 0;
  // Runs `work` once after `delaySeconds`; main thread only.
  [[nodiscard]] virtual WorkHandle after(double delaySeconds, std::function<void()> work) = 0;
  // Runs `work` every `intervalSeconds` until cancelled, also while menus, popovers or drags
  // are tracking events; main thread only.
  [[nodiscard]] virtual WorkHandle every(double intervalSeconds, std::function<void()> work) = 0;
};

}  // namespace brindlecap
