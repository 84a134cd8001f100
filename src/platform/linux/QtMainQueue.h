#pragma once

#include <functional>
#include <memory>

#include "platform/MainQueue.h"

class QObject;

namespace brindlecap {

// The main queue over the Qt event loop of the thread that constructs it (the GUI thread).
// Handles may outlive the queue; work still pending when the queue is destroyed never runs.
class QtMainQueue : public MainQueue {
 public:
  QtMainQueue();
  ~QtMainQueue() override;
  QtMainQueue(const QtMainQueue&) = delete;
  QtMainQueue& operator=(const QtMainQueue&) = delete;

  void async(std::function<void()> work) override;
  [[nodiscard]] WorkHandle after(double delaySeconds, std::function<void()> work) override;
  [[nodiscard]] WorkHandle every(double intervalSeconds, std::function<void()> work) override;

 private:
  WorkHandle schedule(double seconds, bool repeats, std::function<void()> work);

  std::unique_ptr<QObject> context_;
};

}  // namespace brindlecap
