#pragma once

#include <string>
#include <vector>

#include "timers/TimerNotificationScheduling.h"

namespace brindlecap::testing {

// Records schedule and cancel calls in one ordered log ("schedule <id> <fireDate>", "cancel <id>").
class RecordingNotificationScheduler : public TimerNotificationScheduling {
 public:
  void schedule(const TimerItem& item) override {
    calls.push_back("schedule " + item.id.toString() + " " + std::to_string(item.fireDate));
    scheduled.push_back(item);
  }
  void cancel(const Uuid& id) override { calls.push_back("cancel " + id.toString()); }

  std::vector<std::string> calls;
  std::vector<TimerItem> scheduled;
};

}  // namespace brindlecap::testing
