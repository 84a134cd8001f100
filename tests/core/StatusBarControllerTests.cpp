#include <gtest/gtest.h>

#include "menubar/StatusBarController.h"
#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;

// The icon sits at the top right; a press at (1200, 887) puts the start line at 838 with 830
// points of travel below it (the visible frame ends at 875 under the top bar).
class StatusBarTest : public ::testing::Test, public FakeAppPlatform {
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
                          *diagnostics, environment, nullptr},
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
  // A notifier host's click on the item, with the pointer at `at`.
  void activate(StatusItemClick click = StatusItemClick::activate, Point at = {1200, 887}) {
    screens.pointer = at;
    windows.statusItem->onClick(click, at);
    time.runPending();
  }
  // A whole click while the click-and-move gesture holds the pointer; says whether both halves
  // were swallowed.
  bool click(Point at) {
    screens.pointer = at;
    const bool down = events.send({DragEvent::Type::leftMouseDown, 0});
    const bool up = events.send({DragEvent::Type::leftMouseUp, 0});
    time.runPending();
    return down && up;
  }
  // Moves down from the press to `travel` points below the start line in slow steps.
  void dragDown(double travel, double x = 1200) {
    for (double y = 887; y > 838 - travel; y -= 2) frame({x, y}, 0.05);
    frame({x, 838 - travel}, 0.05);
  }

  std::unique_ptr<Diagnostics> diagnostics;
  std::shared_ptr<TimerStore> store;
  std::shared_ptr<AppSettingsStore> settings;
  std::shared_ptr<StatusBarController> controller;
  int listPreparations = 0;
  std::vector<std::optional<Rect>> settingsRequests;
};

// Each way a gesture can end, from a fresh controller: a timer, the list, or nothing; and every
// way leaves no session, no hidden pointer, no overlay, no running display link and no grab
// behind. A press ends at its release; from an item that reports only clicks, the first click
// arms the gesture, the pointer is followed with no button held, and the next click ends it.
TEST_F(StatusBarTest, EveryGestureEndsInATimerTheListOrNothingAndCleansUp) {
  struct Case {
    const char* name;
    bool clicks;  // click and move rather than press and drag
    std::function<void()> move;
    std::optional<double> timer;  // the naming panel's duration in seconds
    bool list;
  };
  const Case cases[] = {
      {"within 3 points: a click",
       false,
       [&] {
         frame({1201, 888.5});
       },
       {},
       true},
      {"3 points away and back",
       false,
       [&] {
         frame({1203, 887}), frame({1200, 887});
       },
       {},
       false},
      // 300 of 830 points of four hours at one-minute steps.
      {"300 points down", false, [&] { dragDown(300); }, 87 * 60, false},
      {"back above the start line: the smallest duration", false,
       [&] {
         frame({1200, 860});
         EXPECT_FALSE(controller->activeDragSession()->isDragging) << "not yet at the line";
         dragDown(40);
         for (int i = 0; i < 6; ++i) frame({1200, 880}, 0.05);  // slow again: one-minute steps
       },
       60, false},
      {"Escape",
       false,
       [&] {
         dragDown(100);
         EXPECT_TRUE(events.send({DragEvent::Type::keyDown, kEscapeKeyCode})) << "swallowed";
         EXPECT_FALSE(events.send({DragEvent::Type::keyDown, 0})) << "no session listens";
       },
       {},
       false},
      {"click again on the icon: the list",
       true,
       [&] {
         EXPECT_TRUE(click({1204, 884}));
       },
       {},
       true},
      {"300 points down, click: a timer as long as the same drag", true,
       [&] {
         dragDown(300);
         EXPECT_TRUE(controller->activeDragSession()->isDragging);
         EXPECT_TRUE(windows.bubble->visible);
         EXPECT_EQ(cursor.hidden, 1);
         EXPECT_TRUE(click({1200, 538}));
       },
       87 * 60, false},
      {"a click elsewhere before it is live: nothing",
       true,
       [&] {
         frame({1100, 870});
         EXPECT_FALSE(controller->activeDragSession()->isDragging);
         EXPECT_TRUE(click({1100, 870}));
       },
       {},
       false},
      {"Escape while live",
       true,
       [&] {
         dragDown(100);
         EXPECT_TRUE(events.send({DragEvent::Type::keyDown, kEscapeKeyCode}));
       },
       {},
       false},
      {"a right click while live",
       true,
       [&] {
         dragDown(100);
         EXPECT_TRUE(events.send({DragEvent::Type::otherMouseDown, 0}));
       },
       {},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start();
    windows.newTimer.reset();
    if (c.clicks) {
      activate();
      ASSERT_TRUE(controller->activeDragSession());
      // The release of the arming click may still arrive: it is swallowed and ends nothing.
      EXPECT_TRUE(events.send({DragEvent::Type::leftMouseUp, 0}));
      ASSERT_TRUE(controller->activeDragSession());
      c.move();
    } else {
      press();
      c.move();
      release();
    }
    EXPECT_EQ(windows.newTimer ? std::optional(windows.newTimer->duration) : std::nullopt, c.timer);
    EXPECT_EQ(list().isShown(), c.list);
    EXPECT_FALSE(controller->activeDragSession());
    EXPECT_EQ(cursor.hidden, 0);
    EXPECT_FALSE(windows.bubble->visible || windows.line->visible);
    EXPECT_FALSE(controller->statusContentView().isDragging);
    EXPECT_FALSE(links.isRunning());
    EXPECT_FALSE(events.handler) << "the pointer is given back";
  }
}

TEST_F(StatusBarTest, NotifierClicksToggleTheListUnderTheClickWhenTheGestureCannotStart) {
  activate(StatusItemClick::contextMenu);
  EXPECT_TRUE(list().isShown());
  activate(StatusItemClick::activate);
  EXPECT_FALSE(list().isShown()) << "a click while the list is open closes it";
  EXPECT_FALSE(controller->activeDragSession());
  activate(StatusItemClick::secondaryActivate);
  EXPECT_TRUE(list().isShown());
  activate(StatusItemClick::secondaryActivate);
  EXPECT_FALSE(list().isShown());

  events.grabRefused = true;  // e.g. a menu holds the pointer
  activate(StatusItemClick::activate);
  EXPECT_FALSE(controller->activeDragSession());
  EXPECT_TRUE(list().isShown()) << "the click still opens the list";
}

TEST_F(StatusBarTest, ADragCreatesATimerThatFiresWhenThePanelOpened) {
  press();
  EXPECT_EQ(links.last().fps, 60);
  dragDown(300);
  ASSERT_TRUE(controller->activeDragSession()->isDragging);
  EXPECT_EQ(cursor.hidden, 1);
  EXPECT_TRUE(controller->statusContentView().isDragging);
  EXPECT_EQ(windows.bubble->durationText, "Через 1 час 27 минут");

  release();
  ASSERT_TRUE(windows.newTimer);
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

TEST_F(StatusBarTest, APressClosesTheListAndASecondPressCancelsTheFirst) {
  press();
  release();
  ASSERT_TRUE(list().isShown());
  press();  // closes the open list; the click must not reopen it
  release();
  EXPECT_FALSE(list().isShown());

  press();
  dragDown(100);
  press();  // e.g. the release was lost
  EXPECT_EQ(cursor.hidden, 0);
  EXPECT_EQ(events.removals, 3);
  release();
  EXPECT_FALSE(windows.newTimer) << "the new press did not travel";
  EXPECT_TRUE(list().isShown()) << "the new press was a click";
}

TEST_F(StatusBarTest, CorridorChangesTickOnceAndUnchangedFramesDrawNothing) {
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
}

TEST_F(StatusBarTest, TheIconAndTheListChangeOnlyWhenWhatTheyShowChanges) {
  store->add("long", time.now() + 3600 * 5 + 30 * 60);
  store->add("soon", time.now() + 30 * 60 + 30);
  EXPECT_EQ(controller->statusContentView().countdownText, "31");
  EXPECT_FALSE(controller->statusContentView().progress);
  EXPECT_EQ(list().contentSize(), (Size{360, 210})) << "the list grows with the timers";
  auto& surface = windows.statusItem->surface;
  int before = surface.needsDisplayCount;
  const int sizeChanges = list().sizeChanges;
  int ticks = 0;
  auto counter = store->now.subscribe([&](TimePoint) { ++ticks; },
                                      Published<TimePoint>::Delivery::changesOnly);
  time.advance(60);
  EXPECT_EQ(surface.needsDisplayCount - before, 1) << "a minute, one change of text";
  EXPECT_EQ(ticks, 1) << "the store wakes only for it";
  EXPECT_EQ(list().sizeChanges, sizeChanges);
  EXPECT_EQ(controller->statusContentView().countdownText, "30");

  settings->menuBarPresentation.set(MenuBarPresentation::progressOnly);
  EXPECT_FALSE(controller->statusContentView().countdownText);
  ASSERT_TRUE(controller->statusContentView().progress);
  EXPECT_NEAR(*controller->statusContentView().progress, 60.0 / (30 * 60 + 30), 1e-9)
      << "drawn for the present, not the last tick";
  ticks = 0;
  time.advance(60);
  EXPECT_NEAR(*controller->statusContentView().progress, 120.0 / (30 * 60 + 30), 0.01);
  EXPECT_LE(ticks, 12) << "the ring moves in steps, not every second";

  // Under a minute the text counts seconds, and the store ticks every second.
  settings->menuBarPresentation.set(MenuBarPresentation::timeAndProgress);
  store->add("sooner", time.now() + 65);
  EXPECT_EQ(controller->statusContentView().countdownText, "2");
  ticks = 0;
  before = surface.needsDisplayCount;
  time.advance(10);
  EXPECT_EQ(controller->statusContentView().countdownText, "55");
  EXPECT_EQ(ticks, 6) << "at 60 s left (\"1\"), then 59 … 55";
  EXPECT_EQ(surface.needsDisplayCount - before, 6);

  settings->threadColor.set(ThreadColorPreset::green);
  EXPECT_EQ(controller->statusContentView().functionalColor, color(ThreadColorPreset::green));
  EXPECT_EQ(windows.bubble->tint, color(ThreadColorPreset::green)) << "the bubble's symbol";
  EXPECT_EQ(controller->overlay().lineView().functionalColor, color(ThreadColorPreset::green));

  // A dark panel: both icons, the bubble, the tether and the naming panel take the dark look
  // and accent.
  const int redraws = surface.needsDisplayCount;
  windows.statusItem->onAppearanceChanged(Appearance::dark);
  EXPECT_GT(surface.needsDisplayCount, redraws);
  const Color dark = color(ThreadColorPreset::green, true);
  controller->presentNewTimer(60, &controller->statusContentView());
  for (const StatusItemContentView* view :
       {&controller->statusContentView(), &controller->fallbackView().statusContentView})
    EXPECT_TRUE(view->appearance == Appearance::dark && view->functionalColor == dark);
  EXPECT_EQ(controller->fallbackView().appearance, Appearance::dark);
  EXPECT_EQ(windows.bubble->appearance, Appearance::dark);
  EXPECT_TRUE(windows.bubble->tint == dark && windows.newTimer->accent == dark);
  EXPECT_EQ(controller->overlay().lineView().functionalColor, dark);
}

TEST_F(StatusBarTest, DiagnosticPreviewsStartAtTheIcon) {
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "drag_preview";
  start();
  time.advance(1.0);
  ASSERT_GE(output.lines.size(), 2u);
  EXPECT_EQ(output.lines.end()[-2], "BRINDLECAP_DRAG_PREVIEW_START {1200, 888}");
  EXPECT_EQ(output.lines.end()[-1], "BRINDLECAP_DRAG_PREVIEW_END {1100, 738}");
  EXPECT_TRUE(windows.bubble->visible && controller->statusContentView().isDragging);

  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "new_timer";
  start();
  time.advance(1.0);
  ASSERT_TRUE(windows.newTimer);
  EXPECT_TRUE(draft().isShown());
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
  EXPECT_EQ(panel.origin, (Point{520, 875 - 210 - 54})) << "near the pointer, under the top";
  EXPECT_EQ(listPreparations, preparations + 1) << "the application may prepare first";

  controller->showListFromShortcut();
  EXPECT_FALSE(panel.visible);
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
  EXPECT_EQ(composer.origin, (Point{1030, 560 + 280 - 198})) << "over the list, tops aligned";

  composer.manualCallbacks.onCreate("Отчёт", 7200);
  EXPECT_FALSE(composer.visible);
  EXPECT_EQ(store->items->at(0).fireDate, time.now() + 7200);

  // From the shortcut's list, the composer replaces that panel.
  controller->showListFromShortcut();
  FakeFloatingPanel& shortcutList = *windows.panels[1];
  shortcutList.listCallbacks.onCreateTimer();
  EXPECT_FALSE(shortcutList.visible);
  EXPECT_TRUE(composer.visible);
  EXPECT_EQ(composer.contentResets, 2) << "every opening starts afresh";
  EXPECT_EQ(composer.origin.y, shortcutList.frame().maxY() - 198);
}

// The icon goes where the desktop shows it, and hangs in the fallback panel while nothing does.
TEST_F(StatusBarTest, TheIconMovesBetweenHostsAndTheFallbackPanelAsTheDesktopChanges) {
  FakeStatusItem& item = *windows.statusItem;
  EXPECT_EQ(item.kind(), StatusItemKind::trayIcon) << "a real tray is taken at once";
  time.advance(0.35);
  EXPECT_FALSE(windows.fallbackPanel) << "docked: no panel";
  const StatusItemHosts none{}, tray{true, false, false, false}, proxy{true, true, true, true},
      notifier{false, false, true, true};

  item.change(none, false);  // the tray quits
  time.advance(0.25);
  EXPECT_EQ(item.kind(), StatusItemKind::none);
  ASSERT_TRUE(windows.fallbackPanel);
  EXPECT_TRUE(windows.fallbackPanel->visible);
  EXPECT_EQ(windows.fallbackPanel->frame(), Rect(1440 - 226, 875 - 26, 26, 26));
  EXPECT_TRUE(controller->fallbackView().isBelowMenuBar);
  EXPECT_EQ(controller->activeAnchorView(), &controller->fallbackView());

  item.change(tray, false);  // a tray starts and is still taking the icon
  time.advance(0.25);
  EXPECT_EQ(item.kind(), StatusItemKind::trayIcon);
  EXPECT_TRUE(windows.fallbackPanel->visible) << "the panel stays until the tray has the icon";
  item.change(tray, true);
  time.advance(0.25);
  EXPECT_FALSE(windows.fallbackPanel->visible);
  EXPECT_EQ(controller->activeAnchorView(), &controller->statusContentView());

  item.change(proxy, false);  // a proxy replaces the tray: the item goes to the host instead
  time.advance(0.25);
  EXPECT_EQ(item.kind(), StatusItemKind::notifierItem);
  EXPECT_FALSE(windows.fallbackPanel->visible) << "not yet: the watcher is taking the item";
  time.advance(StatusBarController::kPlacementPatience);
  EXPECT_TRUE(windows.fallbackPanel->visible) << "it never did";
  item.change(notifier, true);
  time.advance(0.25);
  EXPECT_FALSE(windows.fallbackPanel->visible);

  environment.variables["BRINDLECAP_TRAY"] = "panel";
  item.change(notifier, true);
  time.advance(0.25);
  EXPECT_EQ(item.kind(), StatusItemKind::none);
  EXPECT_TRUE(windows.fallbackPanel->visible);
}

}  // namespace
}  // namespace brindlecap
