#pragma once

#include <cstdint>
#include <string>

#include "platform/DateFormatter.h"
#include "platform/TimePoint.h"

namespace brindlecap::TimeFormatting {

// "1 минуту", "2 минуты", "5 минут" (accusative singular: it follows "Через ").
std::string russianMinutes(std::int64_t count);
// "1 час", "2 часа", "5 часов".
std::string russianHours(std::int64_t count);
// "1 день", "2 дня", "5 дней".
std::string russianDays(std::int64_t count);

// Days, hours and minutes joined by spaces, e.g. "1 день 1 час"; rounded to minutes, at least
// "1 минуту".
std::string duration(double seconds);

// "Через " + the remaining time rounded up to whole minutes (at least one).
std::string remainingPhrase(TimePoint until, TimePoint now);

// The compact countdown in the top bar: "3d", "23h", "60" (minutes, rounded up), "59" (seconds).
std::string iconRemaining(TimePoint until, TimePoint now);

// "сегодня в 14:05" on the same calendar day as `now`, otherwise the abbreviated date and time.
std::string relativeFireDate(TimePoint fireDate, TimePoint now, const DateFormatter& formatter);

// A firing announced late: "Время вышло в 14:00" on the same calendar day as `now`, "Время вышло
// вчера в 23:50" on the day before, otherwise "Время вышло " and the abbreviated date and time.
std::string timeUpAt(TimePoint fireDate, TimePoint now, const DateFormatter& formatter);

}  // namespace brindlecap::TimeFormatting
