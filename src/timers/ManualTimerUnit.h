#pragma once

#include <array>
#include <string_view>

namespace brindlecap {

// The unit of the manual composer's number.
enum class ManualTimerUnit { minutes, hours, days };

// Every unit in declaration order, the order the composer's segments show them in.
inline constexpr std::array<ManualTimerUnit, 3> allManualTimerUnits{
    ManualTimerUnit::minutes, ManualTimerUnit::hours, ManualTimerUnit::days};

// "minutes", "hours", "days"; also the unit's identity when lists are built from it.
std::string_view rawValue(ManualTimerUnit unit);
// The segment's text: "мин", "час", "день".
std::string_view label(ManualTimerUnit unit);
int secondsPerUnit(ManualTimerUnit unit);
// The stepper's upper bound: 1440 minutes, 24 hours or 7 days. The lower bound is always 1.
int largestValue(ManualTimerUnit unit);

// The value kept when the unit changes to `newUnit`: lowered to fit, never raised, at least 1.
// 90 (minutes) → hours gives 24; 5 (days) → minutes stays 5.
int clampedValue(int value, ManualTimerUnit newUnit);

}  // namespace brindlecap
