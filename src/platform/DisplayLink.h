#pragma once

#include <functional>
#include <memory>

namespace brindlecap {

// Calls back on a thread of its own once per frame at a fixed rate, with the frame's timestamp
// in monotonic seconds (the same clock as MonotonicClock::uptime).
class DisplayLink {
 public:
  virtual ~DisplayLink() = default;
  // Returns once the pacing thread runs, so a following stop() always finds it.
  virtual void start(double framesPerSecond, std::function<void(double timestamp)> onFrame) = 0;
  // Returns once no more callbacks can happen. Safe to call when not started.
  virtual void stop() = 0;
};

class DisplayLinkFactory {
 public:
  virtual ~DisplayLinkFactory() = default;
  virtual std::unique_ptr<DisplayLink> makeDisplayLink() = 0;
};

}  // namespace brindlecap
