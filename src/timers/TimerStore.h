#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "platform/Published.h"
#include "timers/TimerItem.h"
#include "timers/TimerNotificationScheduling.h"

namespace brindlecap {

// The single owner of all timers: loads and persists them, ticks the shared clock once a second,
// reports each timer that falls due, and keeps system notifications in step. Main thread only.
class TimerStore {
 public:
  static constexpr double kTickInterval = 1.0;  // seconds
  static constexpr double kPruneAge = 86400.0;  // finished timers older than this are dropped
  static constexpr const char* kDefaultTitle = "Таймер";

  // Loads "<support>/Brindlecap/timers.json", prunes it, saves it and starts the ticker. An
  // existing file that cannot be read or decoded is first moved aside so the save cannot lose it.
  // Firings that fell due while the application was not running are kept for reportMissedItems().
  TimerStore(const WallClock& clock, MainQueue& mainQueue, FileSystem& files);
  ~TimerStore();
  TimerStore(const TimerStore&) = delete;
  TimerStore& operator=(const TimerStore&) = delete;

  // Every timer, finished ones included, in ascending fire-date order.
  Published<std::vector<TimerItem>> items;
  // The clock every countdown reads; moves once per tick.
  Published<TimePoint> now;
  // While absent, no system notification is touched.
  std::shared_ptr<TimerNotificationScheduling> notificationManager;
  // Called once for each occurrence (timer, fire date) that falls due, earliest first.
  std::function<void(const TimerItem&)> onTimerFinished;
  // Called by reportMissedItems() for each occurrence that fell due while the application was not
  // running, earliest first.
  std::function<void(const TimerItem&)> onTimerMissed;
  // Preview modes fill `items` with samples; while set, save() writes nothing.
  bool usesTransientDiagnosticItems = false;

  // "<support>/Brindlecap/timers.json", where the store keeps its timers.
  static std::string defaultFileURL(const FileSystem& files);
  const std::string& fileURL() const { return fileURL_; }
  // Where an unreadable timers file was moved at start-up, if one was.
  const std::string& preservedFileURL() const { return preservedFileURL_; }

  // Timers whose fire date is later than `now`, in fire-date order.
  std::vector<TimerItem> activeItems() const;

  // Creates a timer (blank titles become "Таймер"), saves and schedules its notification.
  TimerItem add(std::string title, TimePoint fireDate);
  // Moves a timer `by` seconds past its fire date, or past `now` if it already finished.
  void postpone(const Uuid& id, double by);
  // Snoozes the occurrence a reminder announced; false when it no longer matches.
  bool snooze(const Uuid& id, TimePoint occurrenceDate, double by, TimePoint at);
  // Removes every timer with this id, withdraws its notification and saves.
  void remove(const Uuid& id);
  // Re-creates the notification of every active timer.
  void restoreNotifications();
  // Writes `items` to the file atomically; failures leave the in-memory state authoritative.
  void save();
  // Advances `now` to the wall clock and reports timers that fell due since the previous tick;
  // saves after reporting, so the file knows they were announced.
  void tick();

  // The firings found at start-up that fell due after the application last watched their timer
  // and are still in the store, earliest first; reportMissedItems() has not yet reported them.
  std::vector<TimerItem> missedItems() const;
  // Reports each of missedItems() through onTimerMissed, unless its timer has been moved or
  // removed since, then saves so that the next start does not report them again.
  void reportMissedItems();

 private:
  void load();
  // Sorts what the file says each timer was last watched until into announced and missed firings.
  void catchUp(const TimersFile& file);
  // The moment until which every firing of `item` has been announced, as the file records it.
  TimePoint watchedUntil(const TimerItem& item) const;
  bool preserveUnreadableFile();
  void removeOldItems();
  void sortItems(std::vector<TimerItem>& list) const;
  std::optional<std::size_t> indexOf(const Uuid& id) const;
  // Withdraws and re-creates the notification, stores the item in its sorted place, saves.
  void replace(std::size_t index, const TimerItem& updated);

  const WallClock& clock_;
  FileSystem& files_;
  std::string fileURL_;
  std::string preservedFileURL_;
  bool unpreservedFile_ = false;  // an unreadable file is still in place and must not be replaced
  // The fire date last reported per timer, so a wall clock that jumps back and passes the same
  // fire date again does not report that occurrence twice.
  std::unordered_map<Uuid, TimePoint> reportedFireDates_;
  struct MissedFiring {
    TimerItem item;
    TimePoint watchedUntil;  // written back unchanged until the firing has been reported
  };
  std::vector<MissedFiring> missed_;
  WorkHandle ticker_;
};

}  // namespace brindlecap
