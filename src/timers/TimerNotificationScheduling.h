#pragma once

#include "platform/Uuid.h"
#include "timers/TimerItem.h"

namespace brindlecap {

// What the timer store asks of the notification manager to keep system notifications in step
// with fire dates.
class TimerNotificationScheduling {
 public:
  virtual ~TimerNotificationScheduling() = default;
  // Creates (or replaces) the pending notification for `item`'s fire date.
  virtual void schedule(const TimerItem& item) = 0;
  // Removes the timer's pending and delivered notifications.
  virtual void cancel(const Uuid& id) = 0;
};

}  // namespace brindlecap
