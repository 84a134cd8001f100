#include <gtest/gtest.h>

#include "menubar/StatusBarController.h"
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

// The icon sits at the top right; a press at (1200, 887) puts the start line at 838 with 830
// points of travel below it (the visible frame ends at 875 under the top bar).
class StatusBarTest : public ::testing::Test {
 protected:
  void SetUp() override { start(); }
  void start() {
    controller.reset();
    diagnostics = std::make_unique<Diagnostics>(environment, output);
    store = std::make_shared<TimerStore>(time, time, files);
    settings = std::make_shared<AppSettingsStore>(defaults, loginItems, time);
    controller = StatusBarController::create(
        store, settings,
        StatusBarPlatform{time, time, time, screens, windows, events, cursor, haptics, links, dates,
                          *diagnostics, environment, [this] { ++terminations; }},
        [this](std::optional<Rect> frame) { settingsRequests.push_back(frame); },
        [this](std::function<void()> open) {
          ++listPreparations;
          open();
        });
  }

  // The newest controller's popovers: a test may replace the controller.
  FakePopover& list() { return *windows.popovers.end()[-2]; }
  FakePopover& draft() { return *windows.popovers.back(); }

  void press(Point at = {1200, 887}) {
    screens.pointer = at;
    controller->statusContentView().mouseDown();
  }
  // One display frame with the pointer at `at`, delivered to the main thread.
  void frame(Point at, double dt = 1.0 / 60) {
    screens.pointer = at;
    time.advance(dt);
    links.fire(time.uptime());
    time.runPending();
  }
  void release() {
    events.send({DragEvent::Type::leftMouseUp, 0});
    time.runPending();
  }
  // Moves down from the press to `travel` points below the start line in slow steps.
  void dragDown(double travel, double x = 1200) {
    for (double y = 887; y > 838 - travel; y -= 2) frame({x, y}, 0.05);
    frame({x, 838 - travel}, 0.05);
  }

  VirtualTime time;
  InMemoryFileSystem files;
  InMemoryDefaultsStore defaults;
  FakeLoginItems loginItems;
  FakeScreens screens;
  FakeTopBarWindows windows;
  FakeDragEvents events;
  FakeCursor cursor;
  FakeHaptics haptics;
  ManualDisplayLinks links;
  FakeDateFormatter dates;
  FakeEnvironment environment;
  RecordingDiagnosticOutput output;
  std::unique_ptr<Diagnostics> diagnostics;
  std::shared_ptr<TimerStore> store;
  std::shared_ptr<AppSettingsStore> settings;
  std::shared_ptr<StatusBarController> controller;
  int terminations = 0;
  int listPreparations = 0;
  std::vector<std::optional<Rect>> settingsRequests;
};

TEST_F(StatusBarTest, APressThatStaysWithinThreePointsIsAClickThatTogglesTheList) {
  press();
  frame({1201, 888.5});  // 1.8 points away
  release();
  EXPECT_TRUE(list().isShown());
  EXPECT_FALSE(controller->activeDragSession());
  EXPECT_EQ(cursor.hidden, 0);

  press();  // the press closes the open list; the click must not reopen it
  release();
  EXPECT_FALSE(list().isShown());
  EXPECT_FALSE(windows.newTimer);

  press();
  frame({1203, 887});  // 3 points: no longer a click, even back at the start
  frame({1200, 887});
  release();
  EXPECT_FALSE(list().isShown());
  EXPECT_FALSE(windows.newTimer);
}

TEST_F(StatusBarTest, ADragCreatesATimerThatFiresWhenThePanelOpened) {
  press();
  EXPECT_EQ(links.last().fps, 60);
  dragDown(300);
  const auto session = controller->activeDragSession();
  ASSERT_TRUE(session && session->isDragging);
  EXPECT_EQ(cursor.hidden, 1);
  EXPECT_TRUE(controller->statusContentView().isDragging);
  EXPECT_TRUE(windows.bubble->visible);
  // 300 / 830 of four hours at a one-minute step: 87 minutes.
  EXPECT_EQ(session->selectedDuration, 87 * 60);
  EXPECT_EQ(windows.bubble->durationText, "Через 1 час 27 минут");

  release();
  EXPECT_EQ(cursor.hidden, 0);
  EXPECT_FALSE(controller->statusContentView().isDragging);
  EXPECT_FALSE(windows.bubble->visible || windows.line->visible);
  EXPECT_FALSE(links.isRunning());
  ASSERT_TRUE(windows.newTimer);
  EXPECT_EQ(windows.newTimer->duration, 87 * 60);
  EXPECT_EQ(windows.newTimerPopover, &draft());
  EXPECT_TRUE(draft().isShown());

  const TimePoint expectedFire = time.now() + 87 * 60;
  time.advance(20);  // typing the title takes a while
  windows.newTimer->callbacks.onCreate("Чай");
  ASSERT_EQ(store->items->size(), 1u);
  EXPECT_EQ(store->items->front().title, "Чай");
  EXPECT_EQ(store->items->front().fireDate, expectedFire);
  EXPECT_FALSE(draft().isShown());
}

TEST_F(StatusBarTest, ComingBackAboveTheStartLineKeepsTheDragAtTheSmallestDuration) {
  press();
  frame({1200, 860});
  EXPECT_FALSE(controller->activeDragSession()->isDragging) << "above the start line: no drag yet";
  EXPECT_EQ(cursor.hidden, 0);
  dragDown(40);
  for (int i = 0; i < 6; ++i) frame({1200, 880}, 0.05);  // slow again: one-minute steps
  release();
  ASSERT_TRUE(windows.newTimer);
  EXPECT_EQ(windows.newTimer->duration, 60);
}

TEST_F(StatusBarTest, EscapeCancelsAndASecondPressCancelsTheFirst) {
  press();
  dragDown(100);
  EXPECT_TRUE(events.send({DragEvent::Type::keyDown, kEscapeKeyCode})) << "Escape is swallowed";
  EXPECT_FALSE(events.send({DragEvent::Type::keyDown, 0})) << "no session listens any more";
  release();
  EXPECT_FALSE(controller->activeDragSession());
  EXPECT_EQ(cursor.hidden, 0);
  EXPECT_FALSE(windows.bubble->visible);
  EXPECT_FALSE(windows.newTimer);
  EXPECT_FALSE(list().isShown());

  press();
  dragDown(100);
  press();  // e.g. the release was lost
  EXPECT_EQ(cursor.hidden, 0);
  EXPECT_FALSE(windows.newTimer);
  EXPECT_EQ(events.removals, 2);
  release();
  EXPECT_FALSE(windows.newTimer) << "the new press did not travel";
  EXPECT_TRUE(list().isShown()) << "the new press was a click";
}

TEST_F(StatusBarTest, CorridorChangesTickOnceAndUnchangedOrLateFramesDrawNothing) {
  press();
  dragDown(100);
  EXPECT_EQ(haptics.alignments, 0);
  frame({1230, 738}, 0.05);
  frame({1270, 738}, 0.05);  // 70 points right: extended
  EXPECT_EQ(haptics.alignments, 1);
  EXPECT_EQ(controller->activeDragSession()->corridor, DragDurationCorridor::extended);
  frame({1275, 730}, 0.05);
  EXPECT_EQ(haptics.alignments, 1);

  const auto dirtyBefore = windows.line->surface.dirtyRects.size();
  frame({1275, 730}, 0.05);
  frame({1275, 730}, 0.05);
  EXPECT_EQ(windows.line->surface.dirtyRects.size(), dirtyBefore);

  // A frame still on its way to the main thread when the drag ends does nothing.
  screens.pointer = {1200, 600};
  time.advance(0.02);
  links.fire(time.uptime());  // queued for the main thread, not yet run
  events.send({DragEvent::Type::keyDown, kEscapeKeyCode});
  EXPECT_FALSE(links.isRunning()) << "the link stops with the session";
  time.runPending();  // the late delivery finds no active session
  EXPECT_FALSE(windows.bubble->visible);
  EXPECT_FALSE(controller->statusContentView().isDragging);
}

TEST_F(StatusBarTest, TheIconRedrawsOnlyWhenWhatItShowsChanges) {
  store->add("long", time.now() + 3600 * 5 + 30 * 60);
  store->add("soon", time.now() + 30 * 60 + 30);
  EXPECT_EQ(controller->statusContentView().countdownText, "31");
  EXPECT_FALSE(controller->statusContentView().progress);
  auto& surface = windows.statusItem->surface;
  const int before = surface.needsDisplayCount;
  time.advance(60);
  EXPECT_EQ(surface.needsDisplayCount - before, 1) << "sixty ticks, one change of text";
  EXPECT_EQ(controller->statusContentView().countdownText, "30");

  settings->menuBarPresentation.set(MenuBarPresentation::progressOnly);
  EXPECT_FALSE(controller->statusContentView().countdownText);
  ASSERT_TRUE(controller->statusContentView().progress);
  EXPECT_NEAR(*controller->statusContentView().progress, 60.0 / (30 * 60 + 30), 1e-9);

  settings->threadColor.set(ThreadColorPreset::green);
  EXPECT_EQ(controller->statusContentView().functionalColor, color(ThreadColorPreset::green));
  EXPECT_EQ(controller->overlay().functionalColor(), color(ThreadColorPreset::green));
}

TEST_F(StatusBarTest, DiagnosticModes) {
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "icon_active";
  start();
  EXPECT_EQ(controller->statusContentView().countdownText, "12");
  EXPECT_EQ(controller->statusContentView().progress, 0.42);

  output.lines.clear();
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "drag_preview";
  start();
  time.advance(1.0);
  ASSERT_GE(output.lines.size(), 2u);
  EXPECT_EQ(output.lines.end()[-2], "BRINDLECAP_DRAG_PREVIEW_START {1200, 888}");
  EXPECT_EQ(output.lines.end()[-1], "BRINDLECAP_DRAG_PREVIEW_END {1100, 738}");
  EXPECT_TRUE(windows.bubble->visible);

  output.lines.clear();
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "new_timer";
  start();
  time.advance(1.0);
  ASSERT_TRUE(windows.newTimer);
  EXPECT_EQ(windows.newTimer->duration, 60);
  EXPECT_TRUE(windows.popovers.back()->isShown());
}

TEST_F(StatusBarTest, DragAnimationBenchmarksEveryScreenThenQuits) {
  screens.list.push_back(
      ScreenInfo{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080), 120, {}, {}});
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "drag_animation";
  start();
  output.lines.clear();
  time.advance(1.0);
  for (int i = 0; i < 2; ++i) {
    for (int f = 0; f < 30 && links.isRunning(); ++f) {
      time.advance(0.05);
      links.fire(time.uptime());
      time.runPending();
    }
    time.advance(1.0);
  }
  EXPECT_EQ(terminations, 1);
  std::vector<std::string> metrics;
  for (const auto& line : output.lines)
    if (line.rfind("BRINDLECAP_DRAG_METRICS ", 0) == 0) metrics.push_back(line);
  ASSERT_EQ(metrics.size(), 2u);
  EXPECT_EQ(metrics[0].rfind("BRINDLECAP_DRAG_METRICS screen={{1440, 0}, {1920, 1080}} "
                             "screenFPS=120 frames=",
                             0),
            0u)
      << metrics[0];
  EXPECT_NE(metrics[1].find("screenFPS=60 frames="), std::string::npos) << metrics[1];
  EXPECT_NE(metrics[1].find(" averageMs=50.000 "), std::string::npos) << metrics[1];
  EXPECT_NE(metrics[1].find(" longFrames="), std::string::npos);
  EXPECT_FALSE(windows.bubble->visible);
}

TEST_F(StatusBarTest, TheListGrowsWithItsTimers) {
  const std::vector<double> heights{280, 180, 210, 270, 330, 390, 420, 420};
  for (std::size_t n = 0; n < heights.size(); ++n) {
    EXPECT_EQ(list().contentSize(), (Size{360, heights[n]})) << n << " timers";
    store->add("t", time.now() + 600 + static_cast<double>(n));
  }
  const int changes = list().sizeChanges;
  time.advance(5);
  EXPECT_EQ(list().sizeChanges, changes) << "ticks that change nothing set no size";
}

TEST_F(StatusBarTest, RightClickTogglesTheListAndSettingsWaitForItToClose) {
  controller->statusContentView().rightMouseUp();
  EXPECT_TRUE(list().isShown());
  EXPECT_TRUE(list().hasListContent);
  controller->statusContentView().rightMouseUp();
  EXPECT_FALSE(list().isShown());

  controller->statusContentView().rightMouseUp();
  const Rect listFrame = *list().windowFrame();
  list().listCallbacks.onOpenSettings();
  EXPECT_FALSE(list().isShown());
  EXPECT_TRUE(settingsRequests.empty()) << "not while the list is still closing";
  time.runPending();
  ASSERT_EQ(settingsRequests.size(), 1u);
  EXPECT_EQ(settingsRequests[0], listFrame);

  controller->statusContentView().rightMouseUp();
  controller->statusContentView().rightMouseUp();
  time.runPending();
  EXPECT_EQ(settingsRequests.size(), 1u) << "an ordinary close opens nothing";
}

TEST_F(StatusBarTest, TheShortcutTogglesAFloatingListNearThePointer) {
  store->add("a", time.now() + 600);
  store->add("b", time.now() + 900);
  screens.pointer = {700, 400};
  controller->statusContentView().rightMouseUp();
  const int preparations = listPreparations;
  controller->showListFromShortcut();
  EXPECT_FALSE(list().isShown()) << "one list at a time";
  ASSERT_EQ(windows.panels.size(), 1u);
  FakeFloatingPanel& panel = *windows.panels[0];
  EXPECT_EQ(panel.title, "Brindlecap");
  EXPECT_TRUE(panel.visible);
  EXPECT_EQ(panel.size, (Size{360, 210}));
  // Centred on the pointer, 54 points below the top of the visible frame.
  EXPECT_EQ(panel.origin, (Point{520, 875 - 210 - 54}));
  EXPECT_EQ(listPreparations, preparations + 1) << "the application may prepare first";

  screens.pointer = {1430, 400};
  controller->showListFromShortcut();
  EXPECT_FALSE(panel.visible);
  controller->showListFromShortcut();
  EXPECT_EQ(panel.origin.x, 1440 - 360 - 12) << "kept inside the visible frame";
}

TEST_F(StatusBarTest, TheComposerTakesTheListsPlace) {
  controller->statusContentView().rightMouseUp();
  list().frame = Rect(1000, 560, 360, 280);
  list().listCallbacks.onCreateTimer();
  EXPECT_FALSE(list().isShown());
  ASSERT_EQ(windows.panels.size(), 1u);
  FakeFloatingPanel& composer = *windows.panels[0];
  EXPECT_EQ(composer.title, "Новый таймер");
  EXPECT_TRUE(composer.visible);
  // Centred on the list, top edges aligned.
  EXPECT_EQ(composer.origin, (Point{1030, 560 + 280 - 198}));
  EXPECT_EQ(composer.accent, color(ThreadColorPreset::purple));

  const TimePoint now = time.now();
  composer.manualCallbacks.onCreate("Отчёт", 7200);
  EXPECT_FALSE(composer.visible);
  ASSERT_EQ(store->items->size(), 1u);
  EXPECT_EQ(store->items->front().fireDate, now + 7200);

  // From the shortcut's list, the composer replaces that panel.
  controller->showListFromShortcut();
  FakeFloatingPanel& shortcutList = *windows.panels[1];
  shortcutList.listCallbacks.onCreateTimer();
  EXPECT_FALSE(shortcutList.visible);
  EXPECT_TRUE(composer.visible);
  EXPECT_EQ(composer.contentResets, 2) << "every opening starts afresh";
  EXPECT_EQ(composer.origin.y, shortcutList.frame().maxY() - 198);
}

}  // namespace
}  // namespace brindlecap
