#include <gtest/gtest.h>

#include "reminders/CompletionBannerController.h"
#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;

constexpr TimePoint kFired = 800000000;
using Titles = std::vector<std::string>;

// On the fake's default screen (visible frame 1440 × 875) the banner sits at (555, 727).
class CompletionBannerTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  void SetUp() override { start(); }
  // (Re)creates the controller, reading the diagnostics variable anew.
  void start() {
    controller.reset();
    diagnostics = std::make_unique<Diagnostics>(environment, output);
    settings = std::make_shared<AppSettingsStore>(defaults, loginItems, time);
    controller =
        CompletionBannerController::create(settings, panel, sound, screens, time, *diagnostics);
    controller->onSnooze = [this](const TimerItem& item, double by) {
      snoozes.emplace_back(item.title, by);
    };
    controller->onDismiss = [this](const TimerItem& item) { dismissals.push_back(item.title); };
  }
  static TimerItem timer(std::string title, TimePoint fireDate = kFired) {
    return TimerItem{Uuid::random(), std::move(title), fireDate - 60, fireDate, {}, {}, {}};
  }

  FakeCompletionBannerPanel& panel = bannerPanel;
  std::unique_ptr<Diagnostics> diagnostics;
  std::shared_ptr<AppSettingsStore> settings;
  std::shared_ptr<CompletionBannerController> controller;
  std::vector<std::pair<std::string, double>> snoozes;
  Titles dismissals;
};

TEST_F(CompletionBannerTest, QueuedBannersShowInTurnEachForTheDurationSetWhenItAppears) {
  for (const char* title : {"A", "B", "C"}) controller->enqueue(timer(title));
  EXPECT_EQ(controller->pendingItems().size(), 2u);  // their order shows below

  using enum CompletionBannerDuration;
  for (auto [title, seconds, next] :
       {std::tuple{"A", 30.0, brief}, {"B", 15.0, extended}, {"C", 60.0, standard}}) {
    SCOPED_TRACE(title);
    // Each appears the moment the previous fade ends, with no time passing in between.
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(panel.title, title);
    EXPECT_EQ(panel.alpha, 1);
    time.advance(seconds - 0.5);
    EXPECT_FALSE(panel.isFading());
    time.advance(0.5);
    settings->completionBannerDuration.set(next);  // for the next banner, not this one
    ASSERT_TRUE(panel.finishFade());
  }
  EXPECT_FALSE(controller->isShowing());
  EXPECT_FALSE(panel.visible);

  // The screenshot mode keeps every banner for its own time.
  environment.variables[Diagnostics::kVariable] = "completion_banner";
  start();
  controller->enqueue(timer("D"));
  time.advance(11.5);
  EXPECT_FALSE(panel.isFading());
  time.advance(0.5);
  EXPECT_TRUE(panel.isFading());
}

TEST_F(CompletionBannerTest, SoundPlaysOrBeepsWhateverTheBanner) {
  // {sound on, banner on, sound playable} and the plays and beeps that follow.
  for (auto [playSound, showBanner, playable, plays, beeps] : {std::tuple{true, true, true, 1, 0},
                                                               {true, false, true, 1, 0},
                                                               {true, false, false, 1, 1},
                                                               {false, true, false, 0, 0},
                                                               {false, false, true, 0, 0}}) {
    SCOPED_TRACE(::testing::Message() << playSound << showBanner << playable);
    start();
    sound = FakeCompletionSound{};
    sound.playable = playable;
    settings->playSound.set(playSound);
    settings->showMiniBanner.set(showBanner);
    controller->enqueue(timer("A"));
    EXPECT_EQ(sound.plays, plays);
    EXPECT_EQ(sound.beeps, beeps);
    EXPECT_EQ(controller->isShowing(), showBanner);
  }
}

TEST_F(CompletionBannerTest, EachBannerTakesTitleAndSettingsWhenShown) {
  settings->threadColor.set(ThreadColorPreset::teal);
  settings->quickSnoozeInterval.set(QuickSnoozeInterval::oneHour);
  controller->enqueue(timer(""));
  controller->enqueue(timer("Чай"));
  EXPECT_EQ(panel.title, "Таймер завершён");
  EXPECT_EQ(panel.accent, color(ThreadColorPreset::teal));
  EXPECT_EQ(panel.quickSnoozeTitle, "Отложить на 1 час");

  settings->threadColor.set(ThreadColorPreset::orange);
  settings->quickSnoozeInterval.set(QuickSnoozeInterval::fiveMinutes);
  controller->dismissCurrent();
  EXPECT_FALSE(panel.buttonsEnabled);
  panel.finishFade();
  EXPECT_EQ(panel.title, "Чай");
  EXPECT_EQ(panel.accent, color(ThreadColorPreset::orange));
  EXPECT_EQ(panel.quickSnoozeTitle, "Отложить на 5 минут");
  EXPECT_TRUE(panel.buttonsEnabled);
}

TEST_F(CompletionBannerTest, DismissOccurrenceMatchesOnlyTheSameFiringWithinHalfASecond) {
  for (auto [sameId, offset, hides] : {std::tuple{true, 0.4, true},
                                       {true, -0.4, true},
                                       {true, 0.5, false},
                                       {true, -0.5, false},
                                       {false, 0.0, false}}) {
    SCOPED_TRACE(::testing::Message() << sameId << " " << offset);
    start();
    const TimerItem shown = timer("A");
    controller->enqueue(shown);
    controller->dismissOccurrence(sameId ? shown.id : Uuid::random(), kFired + offset);
    EXPECT_EQ(panel.isFading(), hides);
    EXPECT_EQ(panel.buttonsEnabled, !hides);
    panel.finishFade();
    EXPECT_EQ(controller->isShowing(), !hides);
  }
  EXPECT_TRUE(dismissals.empty());

  // A queued firing goes silently; the banner on screen stays.
  start();
  const TimerItem queued = timer("B", kFired + 5);
  for (const TimerItem& item : {timer("A"), queued, timer("C")}) controller->enqueue(item);
  controller->dismissOccurrence(queued.id, kFired + 5.3);
  ASSERT_EQ(controller->pendingItems().size(), 1u);
  EXPECT_EQ(controller->pendingItems()[0].title, "C");
  EXPECT_EQ(controller->currentItem()->title, "A");
  EXPECT_FALSE(panel.isFading());
}

TEST_F(CompletionBannerTest, HowABannerEndsDecidesWhichCallbackRuns) {
  // {how it ends, the titles then reported as dismissed, and as snoozed with the seconds}
  using Snoozes = std::vector<std::pair<std::string, double>>;
  const std::tuple<const char*, std::function<void(const TimerItem&)>, Titles, Snoozes> cases[]{
      {"close button", [this](auto&) { panel.clickClose(); }, {"A"}, {}},
      {"background", [this](auto&) { panel.clickBackground(); }, {"A"}, {}},
      {"quick snooze", [this](auto&) { panel.clickQuickSnooze(); }, {}, {{"A", 300}}},
      {"other reminder", [this](auto& i) { controller->dismissOccurrence(i.id, kFired); }, {}, {}},
      {"auto-dismiss", [this](auto&) { time.advance(30); }, {}, {}},
  };
  for (const auto& [name, end, dismissed, snoozed] : cases) {
    SCOPED_TRACE(name);
    dismissals.clear();
    snoozes.clear();
    panel = FakeCompletionBannerPanel{};
    start();
    settings->quickSnoozeInterval.set(QuickSnoozeInterval::fiveMinutes);
    const TimerItem item = timer("A");
    controller->enqueue(item);
    end(item);
    // Whatever arrives during the fade (a double click, a late snooze) is ignored.
    panel.clickBackground();
    controller->dismissCurrent();
    controller->snoozeWithQuickInterval();
    controller->showSnoozeOptions();
    EXPECT_EQ(panel.menuCount, 0);
    EXPECT_EQ(panel.fadeCount, 1);
    EXPECT_TRUE(panel.finishFade());
    EXPECT_EQ(dismissals, dismissed);
    EXPECT_EQ(snoozes, snoozed);
  }
}

TEST_F(CompletionBannerTest, SnoozeMenuHoldsTheBannerAndItsChoiceBecomesTheDefault) {
  controller->enqueue(timer("A"));
  time.advance(20);
  panel.clickSnoozeOptions();
  const std::vector<SnoozeMenuItem> expectedItems{{"Отложить на 5 минут", 5, false},
                                                  {"Отложить на 15 минут", 15, true},
                                                  {"Отложить на 30 минут", 30, false},
                                                  {"Отложить на 1 час", 60, false}};
  EXPECT_EQ(panel.menuItems, expectedItems);
  time.advance(100);
  EXPECT_FALSE(panel.isFading());

  // Closed without a choice: the full duration again, counted from the closing.
  panel.closeMenu();
  time.advance(29.5);
  EXPECT_FALSE(panel.isFading());
  time.advance(0.5);
  EXPECT_TRUE(panel.finishFade());

  controller->enqueue(timer("B"));
  panel.clickSnoozeOptions();
  panel.closeMenu(30);
  EXPECT_EQ(snoozes, (std::vector<std::pair<std::string, double>>{{"B", 1800}}));
  EXPECT_EQ(settings->quickSnoozeInterval.value(), QuickSnoozeInterval::thirtyMinutes);
  EXPECT_TRUE(panel.finishFade());
  EXPECT_EQ(time.pendingTimerCount(), 0u);
}

TEST_F(CompletionBannerTest, LateMenuChoiceOnlyChangesTheDefaultAndNothingOnceTheControllerIsGone) {
  controller->enqueue(timer("A"));
  controller->enqueue(timer("B"));
  panel.clickSnoozeOptions();
  panel.clickBackground();
  panel.closeMenu(60);  // chosen while A fades
  EXPECT_EQ(settings->quickSnoozeInterval.value(), QuickSnoozeInterval::oneHour);

  panel.finishFade();
  panel.clickSnoozeOptions();
  controller->dismissOccurrence(controller->currentItem()->id, kFired);
  panel.finishFade();
  controller->enqueue(timer("C"));
  panel.closeMenu(5);  // B's menu, closed while C is up
  EXPECT_EQ(settings->quickSnoozeInterval.value(), QuickSnoozeInterval::fiveMinutes);
  EXPECT_TRUE(snoozes.empty());
  EXPECT_EQ(dismissals, Titles{"A"});
  EXPECT_EQ(controller->currentItem()->title, "C");
  time.advance(30);
  EXPECT_TRUE(panel.isFading());

  // Once the controller is gone, a menu or a fade that ends later does nothing at all.
  panel.finishFade();
  controller->enqueue(timer("D"));
  controller->enqueue(timer("E"));
  panel.clickSnoozeOptions();
  panel.clickBackground();
  controller.reset();
  panel.closeMenu(30);
  panel.finishFade();
  EXPECT_EQ(settings->quickSnoozeInterval.value(), QuickSnoozeInterval::fiveMinutes);
  EXPECT_EQ(panel.title, "D");
  EXPECT_TRUE(panel.visible);
}

TEST_F(CompletionBannerTest, BannerHangsAtTheTopCentreOfTheMainScreen) {
  const ScreenInfo plain{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875), 60, {}, {}};
  const ScreenInfo dockedLeft{Rect(0, 0, 1440, 900), Rect(70, 40, 1370, 835), 60, {}, {}};
  const ScreenInfo rightOfPrimary{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1050), 60, {}, {}};
  const std::pair<std::vector<ScreenInfo>, Point> rows[] = {
      {{plain}, {555, 727}},
      {{dockedLeft}, {590, 727}},
      {{rightOfPrimary, plain}, {2235, 902}},
      {{}, {2235, 902}}};  // no screen: where it was
  for (const auto& [list, origin] : rows) {
    screens.list = list;
    controller->enqueue(timer("A"));
    EXPECT_EQ(panel.currentFrame, Rect(origin.x, origin.y, 330, 136));
    controller->dismissCurrent();
    panel.finishFade();
  }
}

}  // namespace
}  // namespace brindlecap
