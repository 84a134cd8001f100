#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TimePoint.h"
#include "platform/Uuid.h"

namespace brindlecap {

// One countdown timer. A plain value; the timer store owns the authoritative copies.
struct TimerItem {
  Uuid id;
  std::string title;
  TimePoint createdAt = 0;
  TimePoint fireDate = 0;
  // All three absent until the first snooze.
  std::optional<TimePoint> originalFireDate;  // the fire date before the first snooze
  std::optional<std::int64_t> snoozeCount;
  std::optional<TimePoint> lastSnoozedAt;

  // Moves the fire date to `now` + `by` on behalf of the reminder that announced
  // `occurrenceDate`. Refused (false, nothing changed) when `by` <= 0 or when the occurrence no
  // longer matches the fire date within 0.5 s, so one firing can be snoozed only once.
  bool snooze(TimePoint occurrenceDate, TimePoint now, double by);

  friend bool operator==(const TimerItem&, const TimerItem&) = default;
};

// Two fire dates closer than this name the same occurrence of a timer.
inline constexpr double kOccurrenceTolerance = 0.5;

// The timers file: a compact JSON array of timer objects. Absent optional members are omitted;
// invalid UTF-8 in a title is written as U+FFFD and an infinite time as the largest finite number
// of its sign (NaN as 0), so the file always stays readable. When given, `watchedUntil` holds one
// moment per item, written as its "watchedUntil" member.
std::string encodeTimerItems(const std::vector<TimerItem>& items,
                             std::span<const TimePoint> watchedUntil = {});
// Nothing when the text is not an array of timer objects whose required members ("id", "title",
// "createdAt", "fireDate") are present with the right types. Unknown members are ignored; a null
// optional member reads as absent.
std::optional<std::vector<TimerItem>> decodeTimerItems(std::string_view text);

// The timers file as the store reads it: the items and, per item, the moment until which the
// running application watched that timer, so every firing of it up to then has been announced.
// The moment is absent in files written before it was kept (or not a number); readers that know
// nothing of it ignore the member.
struct TimersFile {
  std::vector<TimerItem> items;
  std::vector<std::optional<TimePoint>> watchedUntil;  // parallel to `items`
};
std::optional<TimersFile> decodeTimersFile(std::string_view text);

}  // namespace brindlecap
