#include "panels/ManualTimerUnit.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

namespace brindlecap {
namespace {

TEST(ManualTimerUnitTest, CasesInOrderWithRawValuesLabelsSecondsAndLargestValues) {
  struct Row {
    std::string_view raw, label;
    int seconds, largest;
  };
  const std::array<Row, 3> expected{
      {{"minutes", "мин", 60, 1440}, {"hours", "час", 3600, 24}, {"days", "день", 86400, 7}}};
  ASSERT_EQ(allManualTimerUnits.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ManualTimerUnit unit = allManualTimerUnits[i];
    EXPECT_EQ(rawValue(unit), expected[i].raw);
    EXPECT_EQ(label(unit), expected[i].label);
    EXPECT_EQ(secondsPerUnit(unit), expected[i].seconds);
    EXPECT_EQ(largestValue(unit), expected[i].largest);
  }
}

TEST(ManualTimerUnitTest, ClampedValueLowersToTheNewUnitsLargestButNeverRaises) {
  EXPECT_EQ(clampedValue(90, ManualTimerUnit::hours), 24);
  EXPECT_EQ(clampedValue(3, ManualTimerUnit::days), 3);
  EXPECT_EQ(clampedValue(5, ManualTimerUnit::minutes), 5) << "5 days become 5 minutes, not 7200";
  EXPECT_EQ(clampedValue(1440, ManualTimerUnit::minutes), 1440);
  EXPECT_EQ(clampedValue(7, ManualTimerUnit::days), 7);
  EXPECT_EQ(clampedValue(0, ManualTimerUnit::hours), 1);
}

}  // namespace
}  // namespace brindlecap
