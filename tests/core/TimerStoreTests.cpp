#include "timers/TimerStore.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/FakeAppPlatform.h"
#include "support/RecordingNotificationScheduler.h"

namespace brindlecap {
namespace {

using namespace testing;
using Titles = std::vector<std::string>;

constexpr const char* kFolder = "/home/user/.local/share/Brindlecap";
constexpr const char* kFile = "/home/user/.local/share/Brindlecap/timers.json";

class TimerStoreTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  std::unique_ptr<TimerStore> start() {
    auto store = std::make_unique<TimerStore>(time, time, files, &time);
    store->onTimerFinished = [this, s = store.get()](const TimerItem& finished) {
      reported.push_back(finished.title);
      clockAtReport.push_back(s->now.value());
    };
    store->onTimerMissed = [this](const TimerItem& item) { missed.push_back(item.title); };
    store->notificationManager = notifications;
    return store;
  }
  void seedFile(const std::string& contents) {
    files.createDirectories(kFolder);
    files.files[kFile] = contents;
  }
  std::vector<TimerItem> fileItems() { return decodeTimerItems(files.files.at(kFile)).value(); }
  static Titles titles(const std::vector<TimerItem>& list) {
    Titles out;
    for (const auto& i : list) out.push_back(i.title);
    return out;
  }

  const TimePoint t0 = time.now();
  std::shared_ptr<RecordingNotificationScheduler> notifications =
      std::make_shared<RecordingNotificationScheduler>();
  Titles reported;
  std::vector<TimePoint> clockAtReport;
  Titles missed;
};

TEST_F(TimerStoreTest, StartupLoadsPrunesAndSavesWithoutReportingPastTimers) {
  auto item = [](const char* title, TimePoint fire) {
    return TimerItem{Uuid::random(), title, fire - 600, fire, {}, {}, {}};
  };
  const TimerItem running = item("running", t0 + 60);
  // The last one as an older version wrote it, without the moment it was watched until.
  seedFile(encodeTimerItems({item("old", t0 - 86400 - 1), item("recent", t0 - 23 * 3600), running,
                             item("unmarked", t0 - 60)},
                            std::vector<TimePoint>(3, t0 - 2 * 86400)));
  auto store = start();
  EXPECT_EQ(titles(store->items.value()), (Titles{"recent", "running", "unmarked"}));
  EXPECT_EQ(titles(store->activeItems()), Titles{"running"});
  EXPECT_EQ(titles(fileItems()), (Titles{"recent", "running", "unmarked"}));
  EXPECT_EQ(titles(store->missedItems()), Titles{"recent"}) << "the old one is pruned instead";

  store->restoreNotifications();
  EXPECT_EQ(notifications->calls,
            (Titles{"cancel " + running.id.toString(),
                    "schedule " + running.id.toString() + " " + std::to_string(t0 + 60)}));
  time.advance(59);
  EXPECT_TRUE(reported.empty()) << "timers already past at start are never reported";
  time.advance(1);
  EXPECT_EQ(reported, Titles{"running"});
}

TEST_F(TimerStoreTest, NoFileIsLostToUndecodableContentsOrFailedSaves) {
  seedFile("[{\"id\": broken");
  const std::string firstCopy = start()->preservedFileURL();
  EXPECT_EQ(files.files.at(kFile), "[]");
  files.files[kFile] = "{\"not\":\"an array\"}";  // same second, so the same base name
  const std::string secondCopy = start()->preservedFileURL();
  EXPECT_NE(secondCopy, firstCopy);
  EXPECT_EQ(files.files.at(firstCopy), "[{\"id\": broken");
  EXPECT_EQ(files.files.at(secondCopy), "{\"not\":\"an array\"}");
  files.unreadableFiles.insert(kFile);
  EXPECT_FALSE(start()->preservedFileURL().empty()) << "an unreadable file is kept aside too";

  // Memory stays authoritative through failed saves; the next save writes everything.
  auto store = start();
  files.unwritableDirectories.insert(kFolder);
  store->add("kept", t0 + 60);
  files.unwritableDirectories.clear();
  store->add("second", t0 + 30);
  EXPECT_EQ(titles(fileItems()), (Titles{"second", "kept"}));

  // A file that cannot be moved aside yet is not replaced; it is moved at the next save.
  seedFile("garbage");
  files.unwritableDirectories.insert(kFolder);
  store = start();
  store->add("new", t0 + 60);
  EXPECT_EQ(files.files.at(kFile), "garbage");
  files.unwritableDirectories.clear();
  store->add("later", t0 + 120);
  EXPECT_EQ(titles(fileItems()), (Titles{"new", "later"}));
  EXPECT_EQ(files.files.at(store->preservedFileURL()), "garbage");
}

TEST_F(TimerStoreTest, AddTrimsTitlesSortsStablySavesAndSchedules) {
  auto store = start();
  auto blank = store->add(" \n\t \u00A0\n", t0 + 300);
  EXPECT_EQ(blank.title, "Таймер");
  EXPECT_EQ(blank.createdAt, t0);
  EXPECT_FALSE(blank.originalFireDate || blank.snoozeCount || blank.lastSnoozedAt);
  EXPECT_EQ(store->add("  Чай с мятой \n", t0 + 100).title, "Чай с мятой");
  store->add("same-1", t0 + 200);
  store->add("same-2", t0 + 200);
  EXPECT_EQ(titles(store->items.value()), (Titles{"Чай с мятой", "same-1", "same-2", "Таймер"}));
  EXPECT_EQ(fileItems(), store->items.value());
  ASSERT_EQ(notifications->scheduled.size(), 4u);
  EXPECT_EQ(notifications->scheduled[0], blank);
  EXPECT_NE(store->items.value()[1].id, store->items.value()[2].id);
}

TEST_F(TimerStoreTest, TicksComeAtFireDatesDemandsAndClockChanges) {
  auto store = start();
  int clockChanges = 0;
  auto subscription = store->now.subscribe([&](TimePoint) { ++clockChanges; },
                                           Published<TimePoint>::Delivery::changesOnly);
  store->add("second", t0 + 2.7);
  store->add("first", t0 + 2.2);
  store->add("exact", t0 + 3);
  store->add("late", t0 + 5000);
  store->add("early", t0 + 100);
  time.advance(2);
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(clockChanges, 0) << "nothing can change before the first fire date";
  time.advance(1);
  EXPECT_EQ(reported, (Titles{"first", "second", "exact"}));
  EXPECT_EQ(clockAtReport, (std::vector<TimePoint>{t0 + 2.2, t0 + 2.7, t0 + 3}))
      << "each reported at its own fire date";

  // A view showing seconds is ticked every second while it asks, and not after.
  bool showsSeconds = true;
  auto demand = store->demandTicks([&](TimePoint now) -> std::optional<TimePoint> {
    return showsSeconds ? std::optional<TimePoint>(now + 1) : std::nullopt;
  });
  clockChanges = 0;
  time.advance(5.5);
  EXPECT_EQ(clockChanges, 5);
  showsSeconds = false;
  store->replanTicks();
  time.advance(60);
  EXPECT_EQ(clockChanges, 5);
  EXPECT_EQ(titles(store->activeItems()), (Titles{"early", "late"})) << "finished timers stay";

  // A clock change wakes the store at once. (What clock changes, sleeps and snoozes may and may
  // not announce is checked after every step of the model test.)
  time.setWallClock(t0 - 3600);
  time.advance(1);
  EXPECT_EQ(store->now.value(), t0 - 3600) << "ticked when the clock was set";

  demand.reset();
  store.reset();
  EXPECT_EQ(time.pendingTimerCount(), 0u);
  time.advance(3);  // would crash if the ticker still called into the destroyed store
}

TEST_F(TimerStoreTest, PostponeSnoozeAndRemoveRescheduleResortAndSaveOnlyWhatChanged) {
  auto store = start();
  auto running = store->add("running", t0 + 600);
  auto finished = store->add("finished", t0 + 60);
  time.advance(180);
  const int writes = files.writeCount;
  notifications->calls.clear();

  store->postpone(running.id, 300);
  EXPECT_EQ(store->items->back().fireDate, t0 + 900) << "extended from its fire date";
  EXPECT_EQ(notifications->calls,
            (Titles{"cancel " + running.id.toString(),
                    "schedule " + running.id.toString() + " " + std::to_string(t0 + 900)}));
  store->postpone(finished.id, 300);
  EXPECT_EQ(titles(store->items.value()), (Titles{"finished", "running"}));
  EXPECT_EQ(store->items->front().fireDate, t0 + 180 + 300) << "restarted from the clock";
  EXPECT_EQ(store->items->front().createdAt, finished.createdAt);
  store->postpone(Uuid::random(), 300);
  EXPECT_EQ(files.writeCount, writes + 2);

  time.advance(310);  // "finished" falls due again at t0 + 480
  EXPECT_TRUE(store->snooze(finished.id, t0 + 480, 900, t0 + 485));
  EXPECT_FALSE(store->snooze(finished.id, t0 + 480, 900, t0 + 486)) << "the same firing";
  EXPECT_FALSE(store->snooze(Uuid::random(), t0 + 480, 900, t0 + 486));
  EXPECT_EQ(files.writeCount, writes + 4) << "the firing is recorded too";
  EXPECT_EQ(notifications->calls.size(), 6u);
  EXPECT_EQ(titles(store->items.value()), (Titles{"running", "finished"}));
  EXPECT_EQ(store->items->back().fireDate, t0 + 1385);
  EXPECT_EQ(store->items->back().originalFireDate, t0 + 480);
  EXPECT_EQ(fileItems(), store->items.value());

  store->items.mutate([&](auto& list) { list.push_back(list.front()); });  // a duplicate id
  notifications->calls.clear();
  store->remove(running.id);
  EXPECT_EQ(titles(store->items.value()), Titles{"finished"});
  EXPECT_EQ(notifications->calls, Titles{"cancel " + running.id.toString()});
  EXPECT_EQ(titles(fileItems()), Titles{"finished"});
}

TEST_F(TimerStoreTest, ABurstOfChangesCostsAFewWritesAndLosesNothing) {
  auto store = start();
  const int writes = files.writeCount;
  for (int i = 0; i < 1000; ++i) store->add("burst", t0 + 60 + i);
  EXPECT_EQ(files.writeCount, writes + TimerStore::kWritesPerWindow);
  time.advance(TimerStore::kSaveWindow);
  EXPECT_EQ(files.writeCount, writes + TimerStore::kWritesPerWindow + 1);
  EXPECT_EQ(fileItems(), store->items.value());
  for (int i = 0; i < 1000; ++i) store->remove(store->items->front().id);
  store.reset();
  EXPECT_EQ(fileItems(), std::vector<TimerItem>{}) << "a deferred write is made on the way out";
}

TEST_F(TimerStoreTest, FiringsDueWhileStoppedAreReportedOnceAtTheNextStartEarliestFirst) {
  auto store = start();
  store->add("second", t0 + 120);
  store->add("first", t0 + 60);
  const auto snoozed = store->add("snoozed", t0 + 90);
  const auto postponed = store->add("postponed", t0 + 80);
  const auto removed = store->add("removed", t0 + 100);
  store->add("later", t0 + 7200);
  time.advance(30);
  ASSERT_TRUE(store->snooze(snoozed.id, t0 + 90, 3600, time.now()));
  store->postpone(postponed.id, 3600);
  store->remove(removed.id);
  store.reset();  // quit at t0 + 30, or the power went: the last write was the removal

  time.setWallClock(t0 + 600);
  store = start();
  EXPECT_EQ(titles(store->missedItems()), (Titles{"first", "second"}));
  store->reportMissedItems();
  EXPECT_EQ(missed, (Titles{"first", "second"}));
  EXPECT_TRUE(store->missedItems().empty());
  time.advance(5);
  EXPECT_TRUE(reported.empty()) << "not reported again as a completion";
  store = start();
  store->reportMissedItems();
  EXPECT_EQ(missed.size(), 2u) << "a third start has nothing to report";

  // A firing reported while running, then a crash before its write: one more report at most.
  store->add("late", time.now() + 10);
  const std::string beforeFiring = files.files.at(kFile);
  time.advance(10);
  ASSERT_EQ(reported, Titles{"late"});
  files.files[kFile] = beforeFiring;
  store = start();
  EXPECT_EQ(titles(store->missedItems()), Titles{"late"});
  store.reset();  // and another crash before announcing it: the next start still has it
  store = start();
  store->reportMissedItems();
  EXPECT_EQ(missed, (Titles{"first", "second", "late"}));
  store = start();
  EXPECT_TRUE(store->missedItems().empty());
}

TEST_F(TimerStoreTest, AClockSetBackAcrossTheStopReportsNothingTwiceNorAheadOfTime) {
  auto store = start();
  store->add("fired", t0 + 100);
  store->add("upcoming", t0 + 1000);
  store->add("next", t0 + 300);
  time.advance(200);
  ASSERT_EQ(reported, Titles{"fired"});
  store.reset();

  time.setWallClock(t0 + 50);  // set back across the stop
  store = start();
  EXPECT_TRUE(store->missedItems().empty()) << "neither announced again nor ahead of time";
  time.advance(60);
  EXPECT_EQ(reported, Titles{"fired"}) << "passing its time again does not repeat it";
  time.advance(200);
  EXPECT_EQ(reported, (Titles{"fired", "next"}));
}

TEST_F(TimerStoreTest, TransientDiagnosticItemsNeverReachTheFile) {
  auto store = start();
  store->usesTransientDiagnosticItems = true;
  const int writes = files.writeCount;
  auto timer = store->add("sample", t0 + 60);
  store->postpone(timer.id, 300);
  time.advance(400);
  EXPECT_TRUE(store->snooze(timer.id, timer.fireDate + 300, 60, time.now()));
  store->save();
  EXPECT_EQ(files.writeCount, writes);
  EXPECT_EQ(files.files.at(kFile), "[]");
}

}  // namespace
}  // namespace brindlecap
