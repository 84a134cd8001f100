#include <gtest/gtest.h>

#include <memory>

#include "support/InMemoryFileSystem.h"
#include "support/RecordingNotificationScheduler.h"
#include "support/VirtualTime.h"
#include "timers/TimerStore.h"

namespace brindlecap {
namespace {

using testing::InMemoryFileSystem;
using testing::RecordingNotificationScheduler;
using testing::VirtualTime;

constexpr const char* kFolder = "/home/user/.local/share/Brindlecap";
constexpr const char* kFile = "/home/user/.local/share/Brindlecap/timers.json";

TimerItem item(const char* id, TimePoint fire, std::string title = "t") {
  return TimerItem{*Uuid::parse(id), std::move(title), fire - 600, fire, {}, {}, {}};
}
constexpr const char* kA = "AAAAAAAA-0000-4000-8000-000000000001";
constexpr const char* kB = "BBBBBBBB-0000-4000-8000-000000000002";
constexpr const char* kC = "CCCCCCCC-0000-4000-8000-000000000003";

class TimerStoreTest : public ::testing::Test {
 protected:
  std::unique_ptr<TimerStore> start() {
    auto store = std::make_unique<TimerStore>(time, time, files);
    store->onTimerFinished = [this, s = store.get()](const TimerItem& finished) {
      reported.push_back(finished.title);
      clockAtReport.push_back(s->now.value());
    };
    return store;
  }
  std::vector<TimerItem> fileItems() { return decodeTimerItems(files.files.at(kFile)).value(); }
  std::vector<std::string> titles(const std::vector<TimerItem>& list) {
    std::vector<std::string> out;
    for (const auto& i : list) out.push_back(i.title);
    return out;
  }

  VirtualTime time;
  InMemoryFileSystem files;
  std::vector<std::string> reported;
  std::vector<TimePoint> clockAtReport;
};

TEST_F(TimerStoreTest, StartupLoadsPrunesAndSavesWithoutReportingPastTimers) {
  const TimePoint t0 = time.now();
  files.directories.insert("/home/user/.local/share");
  files.createDirectories(kFolder);
  files.files[kFile] =
      encodeTimerItems({item(kA, t0 - 86400 - 1, "old"), item(kB, t0 - 23 * 3600, "recent"),
                        item(kC, t0 + 60, "running")});
  auto store = start();
  EXPECT_EQ(titles(store->items.value()), (std::vector<std::string>{"recent", "running"}));
  EXPECT_EQ(titles(store->activeItems()), (std::vector<std::string>{"running"}));
  EXPECT_EQ(titles(fileItems()), (std::vector<std::string>{"recent", "running"}));

  RecordingNotificationScheduler notifications;
  store->notificationManager = std::shared_ptr<RecordingNotificationScheduler>(
      &notifications, [](RecordingNotificationScheduler*) {});
  store->restoreNotifications();
  EXPECT_EQ(notifications.calls, (std::vector<std::string>{std::string("cancel ") + kC,
                                                           "schedule " + std::string(kC) + " " +
                                                               std::to_string(t0 + 60)}));

  time.advance(59);
  EXPECT_TRUE(reported.empty()) << "timers already past at start are never reported";
  time.advance(1);
  EXPECT_EQ(reported, (std::vector<std::string>{"running"}));
}

TEST_F(TimerStoreTest, MissingFolderIsCreatedAndAnEmptyStoreWritesAnEmptyArray) {
  auto store = start();
  EXPECT_TRUE(files.directories.count(kFolder));
  EXPECT_EQ(files.files.at(kFile), "[]");
  EXPECT_EQ(store->fileURL(), kFile);
}

TEST_F(TimerStoreTest, UndecodableFilesAreMovedAsideNeverOverwritingEarlierOnes) {
  files.createDirectories(kFolder);
  files.files[kFile] = "[{\"id\": broken";
  auto first = start();
  EXPECT_TRUE(first->items->empty());
  EXPECT_EQ(files.files.at(kFile), "[]");
  const std::string firstCopy = first->preservedFileURL();
  ASSERT_FALSE(firstCopy.empty());
  EXPECT_EQ(files.files.at(firstCopy), "[{\"id\": broken");
  first.reset();

  files.files[kFile] = "{\"not\":\"an array\"}";  // same second, so the same base name
  auto second = start();
  const std::string secondCopy = second->preservedFileURL();
  EXPECT_NE(secondCopy, firstCopy);
  EXPECT_EQ(files.files.at(firstCopy), "[{\"id\": broken");
  EXPECT_EQ(files.files.at(secondCopy), "{\"not\":\"an array\"}");
  second.reset();

  files.files[kFile] = "[]";
  files.unreadableFiles.insert(kFile);
  auto third = start();
  EXPECT_FALSE(third->preservedFileURL().empty()) << "an unreadable file is kept aside too";
  EXPECT_EQ(files.files.at(kFile), "[]");
}

TEST_F(TimerStoreTest, AnUnreadableFileThatCannotBeMovedIsNeverReplaced) {
  files.createDirectories(kFolder);
  files.files[kFile] = "garbage";
  files.unwritableDirectories.insert(kFolder);
  auto store = start();
  store->add("new", time.now() + 60);
  EXPECT_EQ(files.files.at(kFile), "garbage");

  files.unwritableDirectories.clear();
  store->add("later", time.now() + 120);
  EXPECT_EQ(titles(fileItems()), (std::vector<std::string>{"new", "later"}));
  EXPECT_EQ(files.files.at(store->preservedFileURL()), "garbage");
}

TEST_F(TimerStoreTest, FailedSavesKeepMemoryAuthoritativeUntilTheNextSuccess) {
  auto store = start();
  files.unwritableDirectories.insert(kFolder);
  store->add("kept", time.now() + 60);
  EXPECT_EQ(store->items->size(), 1u);
  EXPECT_EQ(files.files.at(kFile), "[]");
  files.unwritableDirectories.clear();
  store->add("second", time.now() + 30);
  EXPECT_EQ(titles(fileItems()), (std::vector<std::string>{"second", "kept"}));
}

TEST_F(TimerStoreTest, AddTrimsTitlesSortsStablySavesAndSchedules) {
  auto store = start();
  auto notifications = std::make_shared<RecordingNotificationScheduler>();
  store->notificationManager = notifications;
  const TimePoint t0 = time.now();
  auto blank = store->add(" \n\t \u00A0\n", t0 + 300);
  EXPECT_EQ(blank.title, "Таймер");
  EXPECT_EQ(blank.createdAt, t0);
  EXPECT_FALSE(blank.originalFireDate || blank.snoozeCount || blank.lastSnoozedAt);
  EXPECT_EQ(store->add("  Чай с мятой \n", t0 + 100).title, "Чай с мятой");
  store->add("same-1", t0 + 200);
  store->add("same-2", t0 + 200);
  EXPECT_EQ(titles(store->items.value()),
            (std::vector<std::string>{"Чай с мятой", "same-1", "same-2", "Таймер"}));
  EXPECT_EQ(fileItems(), store->items.value());
  ASSERT_EQ(notifications->scheduled.size(), 4u);
  EXPECT_EQ(notifications->scheduled[0], blank);
  EXPECT_NE(store->items.value()[1].id, store->items.value()[2].id);
}

TEST_F(TimerStoreTest, TickReportsEachDueTimerOnceAfterMovingTheClock) {
  auto store = start();
  const TimePoint t0 = time.now();
  store->add("second", t0 + 2.7);
  store->add("first", t0 + 2.2);
  store->add("exact", t0 + 3);
  time.advance(2);
  EXPECT_TRUE(reported.empty());
  time.advance(1);  // (t0+2, t0+3]: both fall due in one tick, the exact boundary included
  EXPECT_EQ(reported, (std::vector<std::string>{"first", "second", "exact"}));
  EXPECT_EQ(clockAtReport, (std::vector<TimePoint>{t0 + 3, t0 + 3, t0 + 3}));
  time.advance(5);
  EXPECT_EQ(reported.size(), 3u) << "the previous tick's instant is not reported again";
  EXPECT_EQ(store->items->size(), 3u) << "finished timers stay";
  EXPECT_TRUE(store->activeItems().empty());
}

TEST_F(TimerStoreTest, WakingFromSleepReportsEverythingMissedEarliestFirst) {
  auto store = start();
  const TimePoint t0 = time.now();
  store->add("late", t0 + 3000);
  store->add("early", t0 + 100);
  store->add("future", t0 + 9000);
  time.setWallClock(t0 + 4000);  // the machine slept; monotonic timers did not run
  time.advance(1);
  EXPECT_EQ(reported, (std::vector<std::string>{"early", "late"}));
}

TEST_F(TimerStoreTest, AWallClockJumpingBackDoesNotReportAnOccurrenceTwice) {
  auto store = start();
  const TimePoint t0 = time.now();
  auto timer = store->add("once", t0 + 10);
  time.advance(10);
  ASSERT_EQ(reported.size(), 1u);
  time.setWallClock(t0 - 3600);  // time sync moves the clock back an hour
  time.advance(1);
  time.setWallClock(t0 + 20);
  time.advance(1);
  EXPECT_EQ(reported.size(), 1u);

  // A new occurrence of the same timer is reported again.
  ASSERT_TRUE(store->snooze(timer.id, t0 + 10, 5, store->now.value()));
  time.advance(5);
  EXPECT_EQ(reported.size(), 2u);
}

TEST_F(TimerStoreTest, PostponeExtendsRunningTimersAndRestartsFinishedOnes) {
  auto store = start();
  auto notifications = std::make_shared<RecordingNotificationScheduler>();
  const TimePoint t0 = time.now();
  auto running = store->add("running", t0 + 600);
  auto finished = store->add("finished", t0 + 60);
  time.advance(180);
  store->notificationManager = notifications;
  const int writes = files.writeCount;

  store->postpone(running.id, 300);
  EXPECT_EQ(store->items->back().fireDate, t0 + 900);
  store->postpone(finished.id, 300);
  EXPECT_EQ(titles(store->items.value()), (std::vector<std::string>{"finished", "running"}));
  EXPECT_EQ(store->items->front().fireDate, t0 + 180 + 300);
  EXPECT_EQ(store->items->front().createdAt, finished.createdAt);
  EXPECT_EQ(files.writeCount, writes + 2);
  EXPECT_EQ(fileItems(), store->items.value());
  EXPECT_EQ(notifications->calls.size(), 4u);
  EXPECT_EQ(notifications->calls[0], "cancel " + running.id.toString());

  store->postpone(Uuid::random(), 300);
  EXPECT_EQ(files.writeCount, writes + 2);
}

TEST_F(TimerStoreTest, SnoozingOneOccurrenceTwiceSucceedsOnce) {
  auto store = start();
  auto notifications = std::make_shared<RecordingNotificationScheduler>();
  store->notificationManager = notifications;
  const TimePoint t0 = time.now();
  auto timer = store->add("tea", t0 + 60);
  auto other = store->add("other", t0 + 120);
  time.advance(61);
  const int writes = files.writeCount;
  notifications->calls.clear();

  EXPECT_TRUE(store->snooze(timer.id, t0 + 60, 900, t0 + 70));
  EXPECT_FALSE(store->snooze(timer.id, t0 + 60, 900, t0 + 71));
  EXPECT_FALSE(store->snooze(Uuid::random(), t0 + 60, 900, t0 + 71));
  EXPECT_EQ(files.writeCount, writes + 1);
  EXPECT_EQ(notifications->calls.size(), 2u);
  EXPECT_EQ(titles(store->items.value()), (std::vector<std::string>{"other", "tea"}));
  const TimerItem& snoozed = store->items->back();
  EXPECT_EQ(snoozed.fireDate, t0 + 970);
  EXPECT_EQ(snoozed.originalFireDate, t0 + 60);
  EXPECT_EQ(fileItems().back(), snoozed);
  (void)other;
}

TEST_F(TimerStoreTest, RemovalWithdrawsTheNotificationAndSaves) {
  auto store = start();
  auto notifications = std::make_shared<RecordingNotificationScheduler>();
  const TimePoint t0 = time.now();
  auto keep = store->add("keep", t0 + 60);
  auto gone = store->add("gone", t0 + 90);
  store->items.mutate([&](auto& list) { list.push_back(gone); });  // a duplicate id
  store->notificationManager = notifications;
  store->remove(gone.id);
  EXPECT_EQ(titles(store->items.value()), (std::vector<std::string>{"keep"}));
  EXPECT_EQ(notifications->calls, (std::vector<std::string>{"cancel " + gone.id.toString()}));
  EXPECT_EQ(titles(fileItems()), (std::vector<std::string>{"keep"}));
  (void)keep;
}

TEST_F(TimerStoreTest, TransientDiagnosticItemsNeverReachTheFile) {
  auto store = start();
  store->usesTransientDiagnosticItems = true;
  const std::string before = files.files.at(kFile);
  const int writes = files.writeCount;
  auto timer = store->add("sample", time.now() + 60);
  store->postpone(timer.id, 300);
  time.advance(400);
  EXPECT_TRUE(store->snooze(timer.id, timer.fireDate + 300, 60, time.now()));
  store->save();
  EXPECT_EQ(files.writeCount, writes);
  EXPECT_EQ(files.files.at(kFile), before);
  EXPECT_EQ(store->items->size(), 1u);
}

TEST_F(TimerStoreTest, TheTickerStopsWithTheStore) {
  auto store = start();
  EXPECT_EQ(time.pendingTimerCount(), 1u);
  int changes = 0;
  auto subscription = store->now.subscribe([&](TimePoint) { ++changes; },
                                           Published<TimePoint>::Delivery::changesOnly);
  time.advance(3);
  EXPECT_EQ(changes, 3);
  store.reset();
  EXPECT_EQ(time.pendingTimerCount(), 0u);
  time.advance(3);  // would crash if the ticker still called into the destroyed store
}

}  // namespace
}  // namespace brindlecap
