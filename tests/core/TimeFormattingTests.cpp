#include <gtest/gtest.h>

#include <cmath>

#include "support/FakeDateFormatter.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {
namespace {

using namespace TimeFormatting;
using Cases = std::vector<std::pair<double, std::string>>;

TEST(TimeFormatting, RussianPluralForms) {
  const Cases minutes{{1, "1 минуту"},  {2, "2 минуты"},   {5, "5 минут"},      {11, "11 минут"},
                      {12, "12 минут"}, {21, "21 минуту"}, {22, "22 минуты"},   {111, "111 минут"},
                      {0, "0 минут"},   {-1, "-1 минут"},  {104, "104 минуты"}, {114, "114 минут"}};
  const Cases hours{{1, "1 час"}, {3, "3 часа"}, {11, "11 часов"}, {21, "21 час"}};
  const Cases days{{1, "1 день"}, {4, "4 дня"}, {5, "5 дней"}, {11, "11 дней"}, {21, "21 день"}};
  for (const auto& [n, text] : minutes) EXPECT_EQ(russianMinutes(std::int64_t(n)), text);
  for (const auto& [n, text] : hours) EXPECT_EQ(russianHours(std::int64_t(n)), text);
  for (const auto& [n, text] : days) EXPECT_EQ(russianDays(std::int64_t(n)), text);
}

TEST(TimeFormatting, DurationRoundsToMinutesAndOmitsZeroParts) {
  const Cases cases{{90, "2 минуты"},           {150, "3 минуты"},
                    {29, "1 минуту"},           {0, "1 минуту"},
                    {-120, "1 минуту"},         {std::nan(""), "1 минуту"},
                    {3569, "59 минут"},         {3570, "1 час"},
                    {5400, "1 час 30 минут"},   {7260, "2 часа 1 минуту"},
                    {86399, "1 день"},          {90000, "1 день 1 час"},
                    {86460, "1 день 1 минуту"}, {184200, "2 дня 3 часа 10 минут"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(duration(seconds), text) << seconds;
}

TEST(TimeFormatting, RemainingPhraseAndIconRoundUp) {
  const TimePoint now = 5000;
  const Cases phrases{{61, "Через 2 минуты"}, {60.2, "Через 2 минуты"},
                      {30, "Через 1 минуту"}, {-100, "Через 1 минуту"},
                      {3600, "Через 1 час"},  {3601, "Через 1 час 1 минуту"}};
  for (const auto& [left, text] : phrases) EXPECT_EQ(remainingPhrase(now + left, now), text);
  const Cases icon{{3 * 86400 + 5 * 3600, "3d"},
                   {86400, "1d"},
                   {86399, "23h"},
                   {3600, "1h"},
                   {3599, "60"},
                   {61, "2"},
                   {60, "1"},
                   {59.5, "1"},
                   {59, "59"},
                   {0.2, "1"},
                   {0, "0"},
                   {-30, "0"}};
  for (const auto& [left, text] : icon) EXPECT_EQ(iconRemaining(now + left, now), text) << left;
}

TEST(TimeFormatting, RelativeFireDateAndTheLateAnnouncementUseTheSameDayRule) {
  testing::FakeDateFormatter formatter;  // UTC days
  const TimePoint midnight = 86400.0 * 10000;
  EXPECT_EQ(relativeFireDate(midnight + 86340, midnight + 10, formatter),
            "сегодня в " + formatter.shortTime(midnight + 86340));
  EXPECT_EQ(relativeFireDate(midnight + 86460, midnight + 10, formatter),
            formatter.abbreviatedDateTime(midnight + 86460));
  EXPECT_EQ(timeUpAt(midnight + 10, midnight + 600, formatter),
            "Время вышло в " + formatter.shortTime(midnight + 10));
  EXPECT_EQ(timeUpAt(midnight - 1, midnight + 86399, formatter),
            "Время вышло вчера в " + formatter.shortTime(midnight - 1));
  EXPECT_EQ(timeUpAt(midnight - 86400, midnight + 1, formatter),
            "Время вышло вчера в " + formatter.shortTime(midnight - 86400));
  EXPECT_EQ(timeUpAt(midnight - 86401, midnight + 1, formatter),
            "Время вышло " + formatter.abbreviatedDateTime(midnight - 86401));
}

}  // namespace
}  // namespace brindlecap
