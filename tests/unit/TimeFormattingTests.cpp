#include <gtest/gtest.h>

#include "support/FakeDateFormatter.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {
namespace {

using namespace TimeFormatting;

TEST(TimeFormatting, RussianPluralForms) {
  const std::vector<std::pair<std::int64_t, std::string>> minutes = {
      {1, "1 минуту"},   {2, "2 минуты"},   {5, "5 минут"},    {11, "11 минут"},
      {12, "12 минут"},  {21, "21 минуту"}, {22, "22 минуты"}, {111, "111 минут"},
      {0, "0 минут"},    {-1, "-1 минут"},  {-2, "-2 минут"},  {104, "104 минуты"},
      {114, "114 минут"}};
  for (const auto& [n, text] : minutes) EXPECT_EQ(russianMinutes(n), text);
  EXPECT_EQ(russianHours(1), "1 час");
  EXPECT_EQ(russianHours(3), "3 часа");
  EXPECT_EQ(russianHours(11), "11 часов");
  EXPECT_EQ(russianHours(21), "21 час");
  EXPECT_EQ(russianDays(1), "1 день");
  EXPECT_EQ(russianDays(4), "4 дня");
  EXPECT_EQ(russianDays(5), "5 дней");
  EXPECT_EQ(russianDays(11), "11 дней");
  EXPECT_EQ(russianDays(21), "21 день");
}

TEST(TimeFormatting, DurationRoundsToMinutesAndOmitsZeroParts) {
  const std::vector<std::pair<double, std::string>> cases = {{90, "2 минуты"},
                                                             {150, "3 минуты"},
                                                             {29, "1 минуту"},
                                                             {0, "1 минуту"},
                                                             {-120, "1 минуту"},
                                                             {3569, "59 минут"},
                                                             {3570, "1 час"},
                                                             {3599.9, "1 час"},
                                                             {5400, "1 час 30 минут"},
                                                             {7260, "2 часа 1 минуту"},
                                                             {86400, "1 день"},
                                                             {90000, "1 день 1 час"},
                                                             {86460, "1 день 1 минуту"},
                                                             {184200, "2 дня 3 часа 10 минут"},
                                                             {604800, "7 дней"},
                                                             {86399, "1 день"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(duration(seconds), text) << seconds;
  EXPECT_EQ(duration(std::nan("")), "1 минуту");
}

TEST(TimeFormatting, RemainingPhraseRoundsUpAndNeverShowsLessThanAMinute) {
  const TimePoint now = 5000;
  EXPECT_EQ(remainingPhrase(now + 61, now), "Через 2 минуты");
  EXPECT_EQ(remainingPhrase(now + 30, now), "Через 1 минуту");
  EXPECT_EQ(remainingPhrase(now - 100, now), "Через 1 минуту");
  EXPECT_EQ(remainingPhrase(now + 3600, now), "Через 1 час");
  EXPECT_EQ(remainingPhrase(now + 3601, now), "Через 1 час 1 минуту");
  EXPECT_EQ(remainingPhrase(now + 60.2, now), "Через 2 минуты");
}

TEST(TimeFormatting, IconRemainingStepsThroughUnits) {
  const TimePoint now = 1000;
  const std::vector<std::pair<double, std::string>> cases = {{3 * 86400 + 5 * 3600, "3d"},
                                                             {86400, "1d"},
                                                             {86399, "23h"},
                                                             {3600, "1h"},
                                                             {3599, "60"},
                                                             {61, "2"},
                                                             {60, "1"},
                                                             {59, "59"},
                                                             {0.2, "1"},
                                                             {0, "0"},
                                                             {-30, "0"},
                                                             {59.5, "1"}};
  for (const auto& [left, text] : cases) EXPECT_EQ(iconRemaining(now + left, now), text) << left;
}

TEST(TimeFormatting, RelativeFireDateUsesTheSameDayRule) {
  testing::FakeDateFormatter formatter;  // UTC days
  const TimePoint midnight = 86400.0 * 10000;
  EXPECT_EQ(relativeFireDate(midnight + 86340, midnight + 10, formatter),
            "сегодня в time(" + std::to_string(static_cast<long long>(midnight + 86340)) + ")");
  EXPECT_EQ(relativeFireDate(midnight + 86460, midnight + 10, formatter),
            "date(" + std::to_string(static_cast<long long>(midnight + 86460)) + ")");
}

}  // namespace
}  // namespace brindlecap
