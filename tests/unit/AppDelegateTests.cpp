#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "support/FakeDateFormatter.h"
#include "support/FakeEnvironment.h"
#include "support/FakeLoginItems.h"
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
                    screens, windows, events, cursor, haptics, links, [this] { ++terminations; }});
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
  int terminations = 0;
};

TEST_F(AppDelegateTest, LaunchMarkerOnlyForModeOne) {
  launch();
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "settings";
  auto other = launch();
  EXPECT_EQ(other->diagnosticMode(), "settings");
  EXPECT_TRUE(output.lines.empty());
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "1";
  launch();
  EXPECT_EQ(output.lines, (std::vector<std::string>{"BRINDLECAP_DID_FINISH_LAUNCHING"}));
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

}  // namespace
}  // namespace brindlecap
