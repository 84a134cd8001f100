#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/Published.h"
#include "platform/RemoteControl.h"

namespace brindlecap {

// The running application's side of the remote control. Every change goes through the timer
// store, so it is saved and announced exactly as one made in the list. Main thread only; the
// delegate, the clock and the queue outlive it.
class AppRemoteControl : public RemoteControl {
 public:
  // `terminate` ends the event loop, like the application's own quit.
  AppRemoteControl(AppDelegate& delegate, const WallClock& clock, MainQueue& mainQueue,
                   std::function<void()> terminate);
  AppRemoteControl(const AppRemoteControl&) = delete;
  AppRemoteControl& operator=(const AppRemoteControl&) = delete;

  // Called after every change of the timers, whoever made it.
  std::function<void()> onTimersChanged;

  RemoteResult<std::string> addTimer(double seconds, const std::string& title) override;
  RemoteResult<std::vector<RemoteTimer>> listTimers() override;
  RemoteResult<Done> removeTimer(const std::string& id) override;
  RemoteResult<Done> snoozeTimer(const std::string& id, double seconds) override;
  RemoteResult<Done> extendTimer(const std::string& id, double seconds) override;
  RemoteResult<Done> toggleList() override;
  RemoteResult<Done> quit() override;

 private:
  // The timer with this id, or why there is none.
  RemoteResult<TimerItem> find(const std::string& id) const;

  AppDelegate& delegate_;
  const WallClock& clock_;
  MainQueue& mainQueue_;
  std::function<void()> terminate_;
  Subscription timersSubscription_;
};

}  // namespace brindlecap
