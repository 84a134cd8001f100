#include "timers/ManualTimerUnit.h"

#include <algorithm>
#include <cstddef>

namespace brindlecap {

namespace {

struct UnitRow {
  ManualTimerUnit unit;
  std::string_view raw;
  std::string_view label;
  int seconds;
  int largest;
};

constexpr std::array<UnitRow, 3> kUnits{{
    {ManualTimerUnit::minutes, "minutes", "мин", 60, 1440},
    {ManualTimerUnit::hours, "hours", "час", 3600, 24},
    {ManualTimerUnit::days, "days", "день", 86400, 7},
}};

// A case's underlying value is its row index; keep the table in step with the enumeration.
constexpr bool rowsFollowDeclarationOrder() {
  for (std::size_t i = 0; i < kUnits.size(); ++i) {
    if (kUnits[i].unit != allManualTimerUnits[i] || static_cast<std::size_t>(kUnits[i].unit) != i) {
      return false;
    }
  }
  return kUnits.size() == allManualTimerUnits.size();
}
static_assert(rowsFollowDeclarationOrder());

const UnitRow& rowFor(ManualTimerUnit unit) {
  // Only a bad cast can leave the declared cases; the first row beats reading past the table.
  const auto index = static_cast<std::size_t>(unit);
  return index < kUnits.size() ? kUnits[index] : kUnits[0];
}

}  // namespace

std::string_view rawValue(ManualTimerUnit unit) {
  return rowFor(unit).raw;
}

std::string_view label(ManualTimerUnit unit) {
  return rowFor(unit).label;
}

int secondsPerUnit(ManualTimerUnit unit) {
  return rowFor(unit).seconds;
}

int largestValue(ManualTimerUnit unit) {
  return rowFor(unit).largest;
}

int clampedValue(int value, ManualTimerUnit newUnit) {
  return std::clamp(value, 1, largestValue(newUnit));
}

}  // namespace brindlecap
