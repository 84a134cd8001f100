#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "support/FakeAppWindows.h"
#include "support/FakeCompletionBanner.h"
#include "support/FakeDateFormatter.h"
#include "support/FakeEnvironment.h"
#include "support/FakeHotKeySystem.h"
#include "support/FakeLoginItems.h"
#include "support/FakeNotificationCenter.h"
#include "support/FakeTopBar.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/InMemoryFileSystem.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

using namespace testing;

class AppDelegateTest : public ::testing::Test {
 protected:
  std::unique_ptr<AppDelegate> launch() {
    auto delegate = std::make_unique<AppDelegate>(
        AppPlatform{time, time, time, files, defaults, loginItems, dates, environment, output,
                    screens, windows, events, cursor, haptics, links, center, bannerPanel, sound,
                    hotKeys, appWindows, [this] { ++terminations; }});
    delegate->applicationDidFinishLaunching();
    return delegate;
  }
  const std::string& timersFile() {
    return files.files.at("/home/user/.local/share/Brindlecap/timers.json");
  }

  VirtualTime time;
  InMemoryFileSystem files;
  InMemoryDefaultsStore defaults;
  FakeLoginItems loginItems;
  FakeDateFormatter dates;
  FakeEnvironment environment;
  RecordingDiagnosticOutput output;
  FakeScreens screens;
  FakeTopBarWindows windows;
  FakeDragEvents events;
  FakeCursor cursor;
  FakeHaptics haptics;
  ManualDisplayLinks links;
  FakeNotificationCenter center;
  FakeCompletionBannerPanel bannerPanel;
  FakeCompletionSound sound;
  FakeHotKeySystem hotKeys;
  FakeAppWindowSystem appWindows;
  int terminations = 0;
};

TEST_F(AppDelegateTest, LaunchMarkerOnlyForModeOne) {
  launch();
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "settings";
  auto other = launch();
  EXPECT_EQ(other->diagnosticMode(), "settings");
  const auto markers = [&] {
    return std::count(output.lines.begin(), output.lines.end(), "BRINDLECAP_DID_FINISH_LAUNCHING");
  };
  EXPECT_EQ(markers(), 0);
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "1";
  launch();
  EXPECT_EQ(markers(), 1);
}

TEST_F(AppDelegateTest, ASecondLaunchOpensTheList) {
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "x";
  auto delegate = launch();
  delegate->openListForSecondLaunch();
  EXPECT_EQ(output.lines.back(), "BRINDLECAP_ACTIVATION_REQUESTED");
  EXPECT_TRUE(windows.popovers.at(0)->isShown());
}

TEST_F(AppDelegateTest, LaunchPutsTheIconInTheTopBar) {
  auto delegate = launch();
  ASSERT_TRUE(delegate->statusBarController());
  ASSERT_TRUE(windows.statusItem);
  EXPECT_TRUE(windows.statusItem->visible);
  EXPECT_FALSE(delegate->statusBarController()->statusContentView().countdownText);
  delegate->store()->add("tea", time.now() + 125);
  EXPECT_EQ(delegate->statusBarController()->statusContentView().countdownText, "3");
}

TEST_F(AppDelegateTest, RelaunchShowsTheSameTimersAndNeverAPrunedOne) {
  loginItems.enabled = true;
  auto first = launch();
  EXPECT_TRUE(first->settings()->launchAtLogin.value()) << "launch at login comes from the system";
  const TimePoint t0 = time.now();
  first->store()->add("short", t0 + 60);
  first->store()->add("long", t0 + 3 * 86400);
  time.advance(2 * 86400);  // "short" is now more than a day past due
  first->applicationWillTerminate();
  first.reset();

  auto second = launch();
  ASSERT_EQ(second->store()->items->size(), 1u);
  EXPECT_EQ(second->store()->items->front().title, "long");
  EXPECT_EQ(decodeTimerItems(timersFile())->size(), 1u) << "pruned at start and saved";
}

TEST_F(AppDelegateTest, TerminationSavesUnlessTheStoreHoldsSamples) {
  auto delegate = launch();
  delegate->store()->items.mutate([&](auto& list) {
    list.push_back(
        TimerItem{Uuid::random(), "added directly", time.now(), time.now() + 5, {}, {}, {}});
  });
  delegate->applicationWillTerminate();
  EXPECT_EQ(decodeTimerItems(timersFile())->size(), 1u);

  delegate->store()->usesTransientDiagnosticItems = true;
  delegate->store()->items.set({});
  delegate->applicationWillTerminate();
  EXPECT_EQ(decodeTimerItems(timersFile())->size(), 1u);
}

TEST_F(AppDelegateTest, EachCompletionIsAcknowledgedOnceFromEitherReminder) {
  auto delegate = launch();
  delegate->settings()->quickSnoozeInterval.set(QuickSnoozeInterval::fiveMinutes);
  auto& store = *delegate->store();
  const TimerItem tea = store.add("Чай", time.now() + 3);
  const std::string id = tea.id.toString();
  ASSERT_TRUE(center.pending.count(id)) << "the notification is scheduled ahead";
  time.advance(3);
  center.deliver(id);
  EXPECT_TRUE(bannerPanel.visible);
  EXPECT_EQ(bannerPanel.title, "Чай");

  // Snoozed from the banner: the store moves the timer, and the notification of that completion
  // can no longer snooze it again.
  bannerPanel.clickQuickSnooze();
  const TimePoint snoozed = store.items->front().fireDate;
  EXPECT_DOUBLE_EQ(snoozed, time.now() + 300);
  ASSERT_TRUE(center.respond(NotificationManager::kQuickSnoozeActionIdentifier, id));
  time.runPending();
  EXPECT_DOUBLE_EQ(store.items->front().fireDate, snoozed) << "a stale occurrence is refused";
  bannerPanel.finishFade();
  EXPECT_FALSE(bannerPanel.visible);

  // The next completion, snoozed from the notification: the banner of that occurrence goes.
  time.advance(300);
  center.deliver(id);
  ASSERT_TRUE(bannerPanel.visible);
  ASSERT_TRUE(center.respond(NotificationManager::kQuickSnoozeActionIdentifier, id));
  time.runPending();
  EXPECT_DOUBLE_EQ(store.items->front().fireDate, time.now() + 300);
  EXPECT_TRUE(bannerPanel.isFading());
  bannerPanel.finishFade();

  // Closing the banner withdraws the delivered notification too; closing the notification
  // closes the banner without reporting back.
  time.advance(300);
  center.deliver(id);
  bannerPanel.clickClose();
  EXPECT_FALSE(center.delivered.count(id));
  bannerPanel.finishFade();
  store.postpone(tea.id, 60);
  time.advance(61);
  center.deliver(id);
  const auto callsBefore = center.calls.size();
  ASSERT_TRUE(center.respond(NotificationResponse::kDismissActionIdentifier, id));
  time.runPending();
  EXPECT_TRUE(bannerPanel.isFading());
  EXPECT_EQ(center.calls.size(), callsBefore) << "the banner does not withdraw it again";
}

TEST_F(AppDelegateTest, NotificationPreferencesRebuildOnlyWhatTheyAffect) {
  auto delegate = launch();
  auto& settings = *delegate->settings();
  const TimerItem tea = delegate->store()->add("Чай", time.now() + 600);
  const std::string id = tea.id.toString();

  settings.setReminderPresentation(ReminderPresentation::miniBanner);
  EXPECT_TRUE(center.pending.empty()) << "notifications off remove every pending one";
  auto callsBefore = center.calls.size();
  settings.playSound.set(false);
  EXPECT_EQ(center.calls.size(), callsBefore) << "the sound does not matter while they are off";

  settings.setReminderPresentation(ReminderPresentation::both);
  ASSERT_TRUE(center.pending.count(id)) << "on again: the active timers' notifications return";
  EXPECT_FALSE(center.pending.at(id).content.playsSound);

  settings.playSound.set(true);
  EXPECT_TRUE(center.pending.at(id).content.playsSound);
  settings.quickSnoozeInterval.set(QuickSnoozeInterval::oneHour);
  ASSERT_EQ(center.categories.size(), 1u);
  EXPECT_EQ(center.categories[0].actions.at(0).title, "Отложить на 1 час");
}

TEST_F(AppDelegateTest, TheHotKeyOpensTheListAndATakenOneIsReported) {
  hotKeys.taken = {GlobalShortcut::alternatives()[0]};
  auto delegate = launch();
  auto& settings = *delegate->settings();
  EXPECT_EQ(settings.globalShortcutError.value(), AppDelegate::kShortcutTakenMessage);

  settings.globalShortcut.set(GlobalShortcut::alternatives()[1]);
  EXPECT_FALSE(settings.globalShortcutError.value()) << "a free combination clears the message";
  ASSERT_TRUE(hotKeys.press(GlobalShortcut::alternatives()[1]));
  time.runPending();
  ASSERT_FALSE(windows.panels.empty());
  EXPECT_TRUE(windows.panels.back()->visible) << "the shortcut opens the list panel";
}

TEST_F(AppDelegateTest, LaunchModesAndFirstRunOnboarding) {
  auto delegate = launch();
  time.advance(0.44);
  EXPECT_FALSE(appWindows.onboardingWindow);
  time.advance(0.02);
  ASSERT_TRUE(appWindows.onboardingWindow) << "a first launch shows the onboarding";
  EXPECT_TRUE(appWindows.onboardingWindow->visible);
  appWindows.onFinish();
  delegate.reset();
  appWindows.onboardingWindow.reset();
  launch();
  time.advance(2);
  EXPECT_FALSE(appWindows.onboardingWindow) << "finished once, never again";

  defaults.values.clear();
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "1";
  auto modeOne = launch();
  time.advance(1.49);
  EXPECT_FALSE(appWindows.onboardingWindow) << "never with diagnostics";
  EXPECT_NE(output.lines.back(), "BRINDLECAP_NOTIFICATION_DELIVERED 0");
  time.advance(0.02);
  EXPECT_EQ(output.lines.back(), "BRINDLECAP_NOTIFICATION_DELIVERED 0") << "the status report";

  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "settings";
  auto settingsMode = launch();
  time.advance(0.7);
  ASSERT_TRUE(appWindows.settingsWindow);
  EXPECT_TRUE(appWindows.settingsWindow->visible);

  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "completion_banner";
  auto bannerMode = launch();
  time.advance(1.0);
  EXPECT_EQ(bannerPanel.title, "Проверка Brindlecap");
  EXPECT_TRUE(bannerPanel.visible);

  auto keep = launch();
  keep->store()->add("Чай", time.now() + 60);
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "notification_identity_cleanup";
  center.calls.clear();
  auto cleanupMode = launch();
  EXPECT_TRUE(center.pending.empty()) << "removed, not restored";
  EXPECT_EQ(std::count(center.calls.begin(), center.calls.end(), "removeAllPending"), 1);

  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "notification_icon";
  launch();
  EXPECT_TRUE(center.pending.count("2CE8BFF1-A983-4E40-84A6-61AA2F1D9B29"));
}

TEST_F(AppDelegateTest, TheListOpensOnlyAfterAVisibleWindowHasFaded) {
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "settings";
  auto delegate = launch();
  time.advance(0.7);
  ASSERT_TRUE(appWindows.settingsWindow && appWindows.settingsWindow->visible);
  delegate->statusBarController()->showListFromShortcut();
  EXPECT_TRUE(windows.panels.empty() || !windows.panels.back()->visible);
  appWindows.settingsWindow->finishAnimation();
  time.runPending();
  ASSERT_FALSE(windows.panels.empty());
  EXPECT_TRUE(windows.panels.back()->visible);
}

}  // namespace
}  // namespace brindlecap
