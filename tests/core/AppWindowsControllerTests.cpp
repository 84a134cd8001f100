#include <gtest/gtest.h>

#include "app/AppWindowsController.h"
#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;

// New windows are centred in the main screen's visible frame (0, 0, 1440, 875).
class AppWindowsTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  AppWindowsTest() {
    environment.variables[Diagnostics::kVariable] = "1";
    diagnostics = std::make_unique<Diagnostics>(environment, output);
    recreate();
  }
  // A new controller over fresh fake windows.
  void recreate() {
    controller.reset();
    appWindows = FakeAppWindowSystem();
    controller =
        AppWindowsController::create(settings, defaults, appWindows, screens, time, *diagnostics);
  }

  FakeAppWindow& settingsWindow() { return *appWindows.settingsWindow; }
  FakeAppWindow& onboardingWindow() { return *appWindows.onboardingWindow; }
  // The platform ends the hide animation; its completion reaches the controller on the queue.
  void finishHide(FakeAppWindow& window) {
    ASSERT_TRUE(window.finishAnimation());
    time.runPending();
  }
  std::function<void()> record(std::string name) {
    return [this, name] { ran.push_back(name); };
  }

  std::unique_ptr<Diagnostics> diagnostics;
  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  std::shared_ptr<AppWindowsController> controller;
  std::vector<std::string> ran;
};

TEST_F(AppWindowsTest, OnboardingIsShownUntilCompletedUnlessForcedAndAfterTheSettingsFade) {
  for (auto [completed, force, shown] :
       {std::tuple{false, false, true}, {true, false, false}, {true, true, true}}) {
    SCOPED_TRACE(::testing::Message() << "completed " << completed << ", force " << force);
    recreate();
    settings->hasCompletedOnboarding.set(completed);
    controller->showOnboarding(force);
    EXPECT_EQ(appWindows.onboardingWindow != nullptr, shown);
    EXPECT_EQ(appWindows.onboardingWindow && onboardingWindow().visible, shown);
    EXPECT_EQ(appWindows.activations, shown ? 1 : 0);
  }

  // Asked for from the settings, it waits until they have faded.
  recreate();
  controller->showSettings(std::nullopt);
  appWindows.onShowOnboarding();
  ASSERT_NE(appWindows.onboardingWindow, nullptr);
  EXPECT_FALSE(onboardingWindow().visible);
  EXPECT_EQ(settingsWindow().animationCount, 1);

  finishHide(settingsWindow());
  EXPECT_FALSE(settingsWindow().visible);
  EXPECT_TRUE(onboardingWindow().visible);
  EXPECT_EQ(appWindows.settingsWindowsMade, 1);
}

TEST_F(AppWindowsTest, HideFadesAndShrinksThenRestoresTheRestingFrame) {
  controller->showSettings(std::nullopt);
  const Rect resting = settingsWindow().currentFrame;
  controller->dismissAuxiliaryWindows(record("list"));

  ASSERT_TRUE(settingsWindow().pendingAnimation);
  const auto& animation = *settingsWindow().pendingAnimation;
  EXPECT_EQ(animation.alpha, 0);
  EXPECT_EQ(animation.frame, Rect(resting.minX() + 7, resting.minY() + 6, 446, 578));
  EXPECT_TRUE(settingsWindow().ignoresMouseEvents);

  // The end of the animation alone changes nothing until the main queue runs.
  ASSERT_TRUE(settingsWindow().finishAnimation());
  EXPECT_TRUE(ran.empty());
  EXPECT_TRUE(settingsWindow().visible);
  time.runPending();

  EXPECT_EQ(ran, std::vector<std::string>{"list"});
  EXPECT_FALSE(settingsWindow().visible);
  EXPECT_EQ(settingsWindow().currentFrame, resting);
  EXPECT_EQ(settingsWindow().alpha, 1);
  EXPECT_FALSE(settingsWindow().ignoresMouseEvents);
}

TEST_F(AppWindowsTest, DismissalsShareOneAnimationAndRunInOrderOrAtOnceWithNothingToHide) {
  controller->dismissAuxiliaryWindows(record("no windows"));
  controller->showSettings(std::nullopt);
  controller->dismissAuxiliaryWindows(record("first"));
  controller->dismissAuxiliaryWindows(record("second"));
  settingsWindow().resignKey();
  EXPECT_EQ(settingsWindow().animationCount, 1);
  finishHide(settingsWindow());
  controller->dismissAuxiliaryWindows(record("hidden"));
  EXPECT_EQ(ran, (std::vector<std::string>{"no windows", "first", "second", "hidden"}));
  EXPECT_EQ(output.lines, (std::vector<std::string>{
                              "BRINDLECAP_WINDOW Настройки Brindlecap {{490, 142.5}, {460, 590}}",
                              "BRINDLECAP_WINDOW_DISMISSED Настройки Brindlecap"}));

  // Minimised while fading: nothing will end the animation, so nothing waits for it.
  ran.clear();
  controller->showSettings(std::nullopt);
  controller->dismissAuxiliaryWindows(record("first"));
  settingsWindow().visible = false;
  controller->dismissAuxiliaryWindows(record("second"));
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
}

TEST_F(AppWindowsTest, PresentingDuringTheFadeKeepsTheWindowAndItsCompletions) {
  controller->showSettings(std::nullopt);
  const Rect resting = settingsWindow().frame();
  controller->dismissAuxiliaryWindows(record("list"));
  // Half-way through the shrink, shown again: back at full size, not half-shrunk.
  settingsWindow().setFrame(resting.insetBy(3, 3));
  controller->showSettings(std::nullopt);
  EXPECT_EQ(settingsWindow().alpha, 1);
  EXPECT_FALSE(settingsWindow().ignoresMouseEvents);
  EXPECT_EQ(settingsWindow().frame(), resting);

  // The interrupted hide's completion, had it still arrived, changes nothing.
  time.runPending();
  EXPECT_TRUE(settingsWindow().visible);
  EXPECT_EQ(settingsWindow().orderOutCount, 0);
  EXPECT_TRUE(ran.empty());

  settingsWindow().resignKey();
  EXPECT_EQ(settingsWindow().animationCount, 2);
  EXPECT_EQ(settingsWindow().pendingAnimation->frame, resting.insetBy(7, 6));
  finishHide(settingsWindow());
  EXPECT_EQ(settingsWindow().frame(), resting);
  EXPECT_FALSE(settingsWindow().visible);
  EXPECT_EQ(ran, std::vector<std::string>{"list"});
}

TEST_F(AppWindowsTest, ResigningActiveDropsCompletionsAndHidesBothWindows) {
  controller->showOnboarding(false);
  controller->showSettings(std::nullopt);
  controller->dismissAuxiliaryWindows(record("dropped"));
  appWindows.resignActive();

  EXPECT_EQ(settingsWindow().animationCount, 1);
  EXPECT_EQ(onboardingWindow().animationCount, 1);
  finishHide(settingsWindow());
  finishHide(onboardingWindow());
  EXPECT_FALSE(settingsWindow().visible);
  EXPECT_FALSE(onboardingWindow().visible);
  EXPECT_TRUE(ran.empty());
}

TEST_F(AppWindowsTest, ReplacingASourcePlacesTheWindowOnItsScreenWithinMargins) {
  const ScreenInfo main{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875), 60, {}, {}};
  const ScreenInfo side{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1050), 60, {}, {}};
  const ScreenInfo small{Rect(0, 0, 800, 500), Rect(0, 40, 800, 440), 60, {}, {}};
  struct Case {
    const char* name;
    std::vector<ScreenInfo> screens;
    Rect source;
    Point origin;  // of the 460 × 590 settings window
  };
  const Case cases[] = {
      {"top edges aligned, centred", {main, side}, Rect(600, 200, 360, 500), {550, 110}},
      {"clamped to the top and right margins", {main, side}, Rect(1100, 500, 360, 375), {968, 273}},
      {"on the second screen", {main, side}, Rect(2000, 600, 360, 400), {1950, 410}},
      {"centre on no screen uses the main one",
       {main, side},
       Rect(5000, 5000, 100, 100),
       {968, 273}},
      {"taller than the visible frame", {small}, Rect(100, 100, 200, 300), {12, 52}},
      {"no screens leaves it centred", {}, Rect(100, 100, 200, 300), {490, 142.5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    screens.list = c.screens;
    recreate();
    controller->showSettings(c.source);
    EXPECT_EQ(settingsWindow().currentFrame, Rect(c.origin.x, c.origin.y, 460, 590));
    EXPECT_EQ(output.lines.back(),
              "BRINDLECAP_WINDOW Настройки Brindlecap " + describe(settingsWindow().currentFrame));
  }
}

TEST_F(AppWindowsTest, ShowingSetsTheWindowsStateBeforeMakingItKey) {
  controller->showSettings(std::nullopt);
  auto& window = settingsWindow();
  std::tie(window.alpha, window.ignoresMouseEvents, window.visible) = std::tuple(0.0, true, false);
  controller->showSettings(Rect(600, 200, 360, 500));
  EXPECT_EQ(window.stateWhenMadeKey, std::tuple(1.0, false, Rect(550, 110, 460, 590)));
  EXPECT_EQ(appWindows.activations, 2);
}

TEST_F(AppWindowsTest, AGoneControllerIgnoresLateCallbacks) {
  controller->showSettings(std::nullopt);
  controller->dismissAuxiliaryWindows(record("never"));
  controller.reset();

  finishHide(settingsWindow());
  settingsWindow().resignKey();
  appWindows.resignActive();
  appWindows.onShowOnboarding();
  EXPECT_TRUE(settingsWindow().visible);
  EXPECT_EQ(settingsWindow().animationCount, 1);
  EXPECT_EQ(appWindows.onboardingWindowsMade, 0);
  EXPECT_TRUE(ran.empty());
}

}  // namespace
}  // namespace brindlecap
