#include "platform/linux/QtMainQueue.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <thread>
#include <vector>

#include "platform/linux/SignalHandling.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/TimerFdAlarm.h"
#include "support/QtTestApplication.h"

namespace brindlecap {
namespace {

using testing::runEventsUntil;

// Runs the loop until a marker scheduled `seconds` from now has fired: everything due before
// it has had its chance to run.
void runPast(MainQueue& queue, double seconds) {
  bool reached = false;
  auto marker = queue.after(seconds, [&] { reached = true; });
  ASSERT_TRUE(runEventsUntil([&] { return reached; }));
}

class QtMainQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ensureQtApplication(); }
  std::optional<QtMainQueue> queue{std::in_place};
};

TEST_F(QtMainQueueTest, AsyncFromAnotherThreadRunsOnTheMainThreadInOrder) {
  std::vector<int> order, expected;
  std::vector<std::thread::id> threads;
  std::thread producer([&] {
    for (int i = 0; i < 100; ++i) {
      expected.push_back(i);
      queue->async([&, i] {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
    }
  });
  producer.join();
  EXPECT_TRUE(order.empty()) << "ran without the event loop";
  ASSERT_TRUE(runEventsUntil([&] { return order.size() == 100; }));
  EXPECT_EQ(order, expected);
  EXPECT_EQ(threads, std::vector(100, std::this_thread::get_id()));
}

TEST_F(QtMainQueueTest, TimedWorkRunsInNestedLoopsAndStopsWhenCancelledDroppedOrOrphaned) {
  int once = 0, cancelled = 0, selfCancelling = 0, selfDropping = 0;
  auto onceHandle = queue->after(0.01, [&] { ++once; });
  auto cancelledHandle = queue->after(0.01, [&] { ++cancelled; });
  auto droppedHandle = queue->after(0.01, [&] { ++cancelled; });
  cancelledHandle.cancel();
  droppedHandle = WorkHandle();
  WorkHandle ticker, dropper;
  ticker = queue->every(0.002, [&] {
    if (++selfCancelling == 2) ticker.cancel();
  });
  dropper = queue->after(0.002, [&] {
    ++selfDropping;
    dropper = WorkHandle();  // destroys the handle, and the callback's owner, mid-call
  });
  EXPECT_EQ(once + selfCancelling + selfDropping, 0) << "ran without the event loop";
  runPast(*queue, 0.1);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(selfCancelling, 2);
  EXPECT_EQ(selfDropping, 1);

  // A menu or a drag runs its own event loop from inside a callback; the ticker must go on.
  int ticks = 0;
  auto nestedTicker = queue->every(0.005, [&] { ++ticks; });
  bool nestedSawTicks = false;
  auto opener = queue->after(0.001, [&] {
    const int before = ticks;
    nestedSawTicks = runEventsUntil([&] { return ticks >= before + 3; });
  });
  runPast(*queue, 0.01);
  ASSERT_TRUE(runEventsUntil([&] { return nestedSawTicks; }));

  // Handles and work that outlive their queue neither run nor touch it.
  bool ran = false;
  WorkHandle orphanTicker = queue->every(0.001, [&] { ran = true; });
  WorkHandle orphan = queue->after(0.001, [&] { ran = true; });
  queue->async([&] { ran = true; });
  queue.reset();
  QtMainQueue other;
  runPast(other, 0.02);
  EXPECT_FALSE(ran);
  orphanTicker.cancel();  // must not touch the destroyed queue's timers
}

TEST_F(QtMainQueueTest, TheWallClockAlarmFiresOnceAtItsDeadlineAndOnlyForTheLatestRequest) {
  SystemClock clock;
  TimerFdAlarm alarm;
  std::vector<std::pair<char, TimePoint>> fired;
  auto record = [&](char name) { return [&, name] { fired.emplace_back(name, clock.now()); }; };
  const TimePoint deadline = clock.now() + 0.05;
  WorkHandle replaced = alarm.wakeAt(clock.now() + 0.01, record('a'));
  WorkHandle latest = alarm.wakeAt(deadline, record('b'));
  replaced.cancel();  // an earlier request's handle must not call off the newer one
  runPast(*queue, 0.2);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0].first, 'b');
  EXPECT_GE(fired[0].second, deadline) << "never before the deadline";

  WorkHandle past = alarm.wakeAt(clock.now() - 3600, record('c'));  // already due: at once
  ASSERT_TRUE(runEventsUntil([&] { return fired.size() == 2; }));
  WorkHandle cancelled = alarm.wakeAt(clock.now() + 0.01, record('d'));
  cancelled.cancel();
  runPast(*queue, 0.1);
  EXPECT_EQ(fired.size(), 2u);
}

TEST(TerminationSignals, ArriveAsACallbackOnTheMainLoop) {
  testing::ensureQtApplication();
  int terminations = 0;
  installTerminationHandlers([&] { ++terminations; });
  std::raise(SIGTERM);
  std::raise(SIGINT);
  EXPECT_EQ(terminations, 0) << "called inside the signal handler";
  // Both signals may collapse into one wake-up; at least one call must follow.
  EXPECT_TRUE(runEventsUntil([&] { return terminations >= 1; }));
  installTerminationHandlers([] {});
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace
}  // namespace brindlecap
