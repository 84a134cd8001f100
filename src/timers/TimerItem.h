#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

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

void to_json(nlohmann::json& json, const TimerItem& item);
// Throws nlohmann::json::exception when a required member is missing or mistyped.
void from_json(const nlohmann::json& json, TimerItem& item);

// The timers file: a compact JSON array of items.
std::string encodeTimerItems(const std::vector<TimerItem>& items);
// Nothing when the text is not an array of valid timer objects.
std::optional<std::vector<TimerItem>> decodeTimerItems(std::string_view text);

}  // namespace brindlecap
