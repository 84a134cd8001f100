#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/Diagnostics.h"
#include "platform/DisplayLink.h"
#include "platform/MainQueue.h"

namespace brindlecap {

// Paces a drag at the screen's refresh rate: a display link fires on its own thread and the
// newest frame timestamp (monotonic seconds) reaches `onFrame` on the main thread, with never more
// than one delivery queued. Must be owned by a std::shared_ptr: queued deliveries hold it weakly.
class DragDisplayLinkDriver : public std::enable_shared_from_this<DragDisplayLinkDriver> {
 public:
  DragDisplayLinkDriver(MainQueue& mainQueue, DisplayLinkFactory& linkFactory,
                        Diagnostics* diagnostics = nullptr);
  ~DragDisplayLinkDriver();
  DragDisplayLinkDriver(const DragDisplayLinkDriver&) = delete;
  DragDisplayLinkDriver& operator=(const DragDisplayLinkDriver&) = delete;

  // Main thread. Stops any previous run, then calls `onFrame(timestamp)` on the main thread at
  // max(round(screenFramesPerSecond), 1) frames per second; returns once the link's thread runs.
  void start(double screenFramesPerSecond, std::function<void(double timestamp)> onFrame);
  // Main thread. Returns once the link can no longer fire; a delivery still queued does nothing.
  void stop();

  // The display link's callback, on its thread: records the frame and queues a delivery unless
  // one is already waiting.
  void displayLinkDidFire(double timestamp);

 private:
  void deliverLatestFrame(std::uint64_t run);

  MainQueue& mainQueue_;
  DisplayLinkFactory& linkFactory_;
  Diagnostics* diagnostics_;
  std::unique_ptr<DisplayLink> displayLink_;  // main thread only

  // Guards the members below. Nothing is ever called back while it is held.
  std::mutex stateLock_;
  std::function<void(double)> onFrame_;
  std::optional<double> latestTimestamp_;
  bool hasPendingMainDelivery_ = false;
  // Counts stop() calls, so a delivery queued during an earlier run cannot consume (or clear the
  // pending flag of) a later one.
  std::uint64_t run_ = 0;
};

}  // namespace brindlecap
