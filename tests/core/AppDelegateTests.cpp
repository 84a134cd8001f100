#include <gtest/gtest.h>

#include <algorithm>

#include "app/AppDelegate.h"
#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;

class AppDelegateTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  std::unique_ptr<AppDelegate> launch() {
    auto delegate = std::make_unique<AppDelegate>(platform([this] { ++terminations; }));
    delegate->applicationDidFinishLaunching();
    return delegate;
  }

  int terminations = 0;
};

TEST_F(AppDelegateTest, ASecondLaunchOpensTheList) {
  auto delegate = launch();
  delegate->openListForSecondLaunch();
  EXPECT_TRUE(windows.popovers.at(0)->isShown());
}

// Which firing a snooze may still move, from either reminder, is checked after every step of the
// model test; a snooze from the notification closing the banner is run end to end, in reminders.py.
TEST_F(AppDelegateTest, ClosingEitherReminderAcknowledgesTheFiringInBoth) {
  auto delegate = launch();
  const TimerItem tea = delegate->store()->add("Чай", time.now() + 3);
  const std::string id = tea.id.toString();
  // Closing the banner withdraws the delivered notification too; closing the notification
  // closes the banner without reporting back.
  time.advance(3);
  center.deliver(id);
  ASSERT_TRUE(bannerPanel.visible);
  bannerPanel.clickClose();
  EXPECT_FALSE(center.delivered.count(id));
  bannerPanel.finishFade();
  delegate->store()->postpone(tea.id, 60);
  time.advance(61);
  center.deliver(id);
  const auto callsBefore = center.calls.size();
  ASSERT_TRUE(center.respond(NotificationResponse::kDismissActionIdentifier, id));
  time.runPending();
  EXPECT_TRUE(bannerPanel.isFading());
  EXPECT_EQ(center.calls.size(), callsBefore) << "the banner does not withdraw it again";
}

TEST_F(AppDelegateTest, FiringsMissedWhileNotRunningAreAnnouncedLikeCompletionsSayingWhen) {
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "1";
  const TimePoint now = time.now();  // 06:13 UTC, the fake formatter's day
  const TimerItem tea{Uuid::random(), "Чай", now - 1200, now - 600, {}, {}, {}};
  const TimerItem soup{Uuid::random(), "Суп", now - 30000, now - 23000, {}, {}, {}};
  const std::string teaId = tea.id.toString();
  files.createDirectories(files.applicationSupportDirectory() + "/Brindlecap");
  files.files[TimerStore::defaultFileURL(files)] =
      encodeTimerItems({soup, tea}, std::vector<TimePoint>(2, now - 40000));
  auto delegate = launch();

  std::vector<std::string> marked;
  for (const auto& line : output.lines)
    if (line.starts_with("BRINDLECAP_TIMER_MISSED")) marked.push_back(line);
  EXPECT_EQ(marked, (std::vector<std::string>{
                        "BRINDLECAP_TIMER_MISSED " + soup.id.toString() + " 1778284200",
                        "BRINDLECAP_TIMER_MISSED " + teaId + " 1778306600"}));
  EXPECT_EQ(bannerPanel.title, "Суп");
  EXPECT_EQ(bannerPanel.body, "Время вышло вчера в time(799977000)");
  EXPECT_EQ(sound.plays, 2);
  ASSERT_TRUE(center.pending.count(teaId));
  EXPECT_EQ(center.pending.at(teaId).content.body, "Время вышло в time(799999400)");
  EXPECT_EQ(center.pending.at(teaId).triggerInterval, NotificationManager::kMinimumTrigger);

  // The notification names its firing: its snooze reaches the store and drops the queued banner.
  center.deliver(teaId);
  ASSERT_TRUE(center.respond(NotificationManager::kQuickSnoozeActionIdentifier, teaId));
  time.runPending();
  EXPECT_TRUE(delegate->completionBannerController()->pendingItems().empty());
  bannerPanel.clickClose();
  bannerPanel.finishFade();
  time.advance(900);  // the quick snooze
  EXPECT_EQ(bannerPanel.title, "Чай") << "the snoozed firing comes as a plain completion";
  EXPECT_EQ(bannerPanel.body, "Время вышло");
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

TEST_F(AppDelegateTest, AHotKeyTheDesktopCannotOrWillNotBindIsNeverReportedAsWorking) {
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "1";
  hotKeys.answer = HotKeyStatus::unavailable;
  const auto printed = [this](const std::string& line) {
    return std::find(output.lines.begin(), output.lines.end(), line) != output.lines.end();
  };
  auto delegate = launch();
  auto& settings = *delegate->settings();
  EXPECT_EQ(settings.globalShortcutError.value(), AppDelegate::kShortcutUnavailableMessage);
  EXPECT_TRUE(printed("BRINDLECAP_GLOBAL_SHORTCUT 46-6400 unavailable"));

  // A desktop that asks its user first: no complaint while it asks, then its answer.
  hotKeys.answer = HotKeyStatus::pending;
  settings.globalShortcut.set(GlobalShortcut::alternatives()[1]);
  EXPECT_FALSE(settings.globalShortcutError.value());
  hotKeys.answerLater(HotKeyStatus::declined);
  EXPECT_EQ(settings.globalShortcutError.value(), AppDelegate::kShortcutDeclinedMessage);
  EXPECT_TRUE(printed("BRINDLECAP_GLOBAL_SHORTCUT 17-6400 pending"));
  EXPECT_TRUE(printed("BRINDLECAP_GLOBAL_SHORTCUT 17-6400 declined"));
  settings.globalShortcut.set(GlobalShortcut::alternatives()[2]);
  hotKeys.answerLater(HotKeyStatus::registered);
  EXPECT_FALSE(settings.globalShortcutError.value());
  EXPECT_TRUE(printed("BRINDLECAP_GLOBAL_SHORTCUT 2-6400 registered"));
}

TEST_F(AppDelegateTest, OnboardingOnlyOnAFirstLaunchWithoutDiagnostics) {
  auto delegate = launch();
  time.advance(1);
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
  time.advance(2);
  EXPECT_FALSE(appWindows.onboardingWindow) << "never with diagnostics";
}

TEST_F(AppDelegateTest, IdentityCleanupModeRemovesPendingNotificationsInsteadOfRestoring) {
  auto keep = launch();
  keep->store()->add("Чай", time.now() + 60);
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "notification_identity_cleanup";
  center.calls.clear();
  auto cleanupMode = launch();
  EXPECT_TRUE(center.pending.empty()) << "removed, not restored";
  EXPECT_EQ(std::count(center.calls.begin(), center.calls.end(), "removeAllPending"), 1);
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
