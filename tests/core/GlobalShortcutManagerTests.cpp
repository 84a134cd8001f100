#include "reminders/GlobalShortcutManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using Calls = std::vector<std::string>;

const GlobalShortcut kM = GlobalShortcut::alternatives()[0];
const GlobalShortcut kT = GlobalShortcut::alternatives()[1];

struct GlobalShortcutManagerTest : ::testing::Test, testing::FakeAppPlatform {
  std::unique_ptr<GlobalShortcutManager> manager =
      std::make_unique<GlobalShortcutManager>(hotKeys, time);
  std::vector<std::string> ran;

  std::function<void()> record(std::string name) {
    return [this, name] { ran.push_back(name); };
  }
};

TEST_F(GlobalShortcutManagerTest, EachRegistrationReleasesThePreviousOneFirst) {
  EXPECT_TRUE(hotKeys.hasPressHandler());
  EXPECT_TRUE(hotKeys.calls.empty());

  EXPECT_TRUE(manager->registerShortcut(kM, record("first")));
  EXPECT_TRUE(manager->registerShortcut(kT, record("second")));
  // The same combination again succeeds: it was released before the new attempt.
  EXPECT_TRUE(manager->registerShortcut(kT, record("third")));
  EXPECT_EQ(hotKeys.calls,
            (Calls{"register Ctrl+Alt+Super+M", "unregister", "register Ctrl+Alt+Super+T",
                   "unregister", "register Ctrl+Alt+Super+T"}));

  EXPECT_FALSE(hotKeys.press(kM));
  EXPECT_TRUE(hotKeys.press(kT));
  time.runPending();
  EXPECT_EQ(ran, (Calls{"third"}));
}

TEST_F(GlobalShortcutManagerTest, RefusedCombinationLeavesNothingActive) {
  ASSERT_TRUE(manager->registerShortcut(kM, record("m")));
  hotKeys.taken = {kT};

  EXPECT_FALSE(manager->registerShortcut(kT, record("t")));
  EXPECT_FALSE(hotKeys.active.has_value());
  // The old combination no longer works, even for an event the system still delivers.
  EXPECT_FALSE(hotKeys.press(kM));
  hotKeys.press();
  time.runPending();
  EXPECT_TRUE(ran.empty());

  // Nothing is registered, so nothing is released before the next attempt.
  hotKeys.calls.clear();
  EXPECT_TRUE(manager->registerShortcut(kM, record("m again")));
  EXPECT_EQ(hotKeys.calls, (Calls{"register Ctrl+Alt+Super+M"}));
  hotKeys.press(kM);
  time.runPending();
  EXPECT_EQ(ran, (Calls{"m again"}));
}

TEST_F(GlobalShortcutManagerTest, ADesktopThatAnswersLaterIsFollowed) {
  std::vector<HotKeyStatus> changes;
  manager->onStatusChange = [&](HotKeyStatus status) { changes.push_back(status); };
  hotKeys.answer = HotKeyStatus::pending;
  EXPECT_TRUE(manager->registerShortcut(kM, record("m")));
  EXPECT_EQ(manager->status(), HotKeyStatus::pending);
  hotKeys.answerLater(HotKeyStatus::registered);
  EXPECT_EQ(manager->status(), HotKeyStatus::registered);
  hotKeys.press(kM);
  time.runPending();
  EXPECT_EQ(ran, (Calls{"m"}));

  // Withdrawn by the desktop: presses still in flight do nothing.
  hotKeys.answerLater(HotKeyStatus::declined);
  EXPECT_EQ(manager->status(), HotKeyStatus::declined);
  hotKeys.press();
  time.runPending();
  EXPECT_EQ(ran, (Calls{"m"}));
  // An answer to nothing pending changes nothing.
  hotKeys.answerLater(HotKeyStatus::registered);
  EXPECT_EQ(manager->status(), HotKeyStatus::declined);
  EXPECT_EQ(changes, (std::vector{HotKeyStatus::registered, HotKeyStatus::declined}));

  hotKeys.answer = HotKeyStatus::unavailable;
  EXPECT_FALSE(manager->registerShortcut(kT, record("t")));
  EXPECT_EQ(manager->status(), HotKeyStatus::unavailable);
}

TEST_F(GlobalShortcutManagerTest, PressesRunTheActionLaterOnTheMainQueue) {
  ASSERT_TRUE(manager->registerShortcut(kM, record("m")));
  hotKeys.press(kM);
  hotKeys.press(kM);
  EXPECT_TRUE(ran.empty());
  time.runPending();
  EXPECT_EQ(ran, (Calls{"m", "m"}));

  // An action may register another combination while it runs; the rest of it still runs intact.
  const std::string tail(64, 'x');  // long enough to live on the heap
  ASSERT_TRUE(manager->registerShortcut(kM, [this, tail] {
    manager->registerShortcut(kT, record("t"));
    ran.push_back(tail);
  }));
  hotKeys.press(kM);
  time.runPending();
  hotKeys.press(kT);
  time.runPending();
  EXPECT_EQ(ran, (Calls{"m", "m", tail, "t"}));
}

TEST_F(GlobalShortcutManagerTest, DestructionUnregistersAndDropsQueuedPresses) {
  ASSERT_TRUE(manager->registerShortcut(kM, record("m")));
  hotKeys.press(kM);
  manager.reset();

  EXPECT_EQ(hotKeys.calls, (Calls{"register Ctrl+Alt+Super+M", "unregister"}));
  EXPECT_FALSE(hotKeys.hasPressHandler());
  time.runPending();
  EXPECT_TRUE(ran.empty());

  // Without a registration there is nothing to release.
  hotKeys.calls.clear();
  { GlobalShortcutManager idle(hotKeys, time); }
  EXPECT_TRUE(hotKeys.calls.empty());
  EXPECT_FALSE(hotKeys.hasPressHandler());
}

}  // namespace
}  // namespace brindlecap
