#pragma once

#include <memory>

#include "platform/WallClockAlarm.h"

namespace brindlecap {

// The wall-clock alarm over a timerfd on CLOCK_REALTIME with an absolute deadline: it fires on
// time across a suspend (at resume when the deadline passed meanwhile), and TFD_TIMER_CANCEL_ON_SET
// wakes it at once when the clock is set or the machine resumes. Main thread only; one request
// at a time (a new one replaces the previous).
class TimerFdAlarm : public WallClockAlarm {
 public:
  TimerFdAlarm();
  ~TimerFdAlarm() override;
  TimerFdAlarm(const TimerFdAlarm&) = delete;
  TimerFdAlarm& operator=(const TimerFdAlarm&) = delete;

  WorkHandle wakeAt(TimePoint deadline, std::function<void()> work) override;

  struct State;

 private:
  std::shared_ptr<State> state_;  // shared with the handles, which may outlive the alarm
};

}  // namespace brindlecap
