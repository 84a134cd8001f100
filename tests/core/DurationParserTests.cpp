#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/FakeTimeZone.h"
#include "timers/DurationParser.h"

namespace brindlecap {
namespace {

TEST(DurationParser, ReadsEveryWrittenForm) {
  const std::vector<std::pair<std::string, double>> valid{
      {"25m", 1500},       {"1h30m", 5400}, {"90s", 90},      {"2d", 172800},
      {"1:30:00", 5400},   {"1.5h", 5400},  {"1d 2h", 93600}, {"1H30M", 5400},
      {" 7d ", 604800},    {"1s", 1},       {"0:00:01", 1},   {"168:00:00", 604800},
      {"1d2h3m4s", 93784}, {"0.5m", 30},
  };
  for (const auto& [text, seconds] : valid) {
    const auto parsed = parseDuration(text);
    ASSERT_TRUE(parsed) << text << ": " << parsed.error;
    EXPECT_DOUBLE_EQ(*parsed.value, seconds) << text;
  }
}

TEST(DurationParser, RefusesWhatItWouldHaveToGuessWithAReason) {
  // Each refusal says why: the test holds a part of the sentence.
  const std::vector<std::pair<std::string, std::string>> invalid{
      {"", "Не указана длительность"},
      {"25", "нет единицы: напишите 25m"},
      {"1:30", "1h30m, 1m30s"},
      {"0s", "хотя бы 1 секунду"},
      {"0.5s", "хотя бы 1 секунду"},
      {"0:00:00", "хотя бы 1 секунду"},
      {"7d1s", "не больше чем на 7 дней"},
      {"8d", "не больше чем на 7 дней"},
      {"99999999999999999999d", "не больше чем на 7 дней"},
      {"-5m", "отрицательной"},
      {"30m1h", "не по порядку"},
      {"1h1h", "не по порядку"},
      {"1x", "Не понимаю"},
      {"1.h", "Не понимаю"},
      {"1h30", "Не понимаю"},
      {"nan", "Не понимаю"},
      {"inf", "Не понимаю"},
      {"1:60:00", "Не понимаю"},
      {"1:5:00", "Не понимаю"},
      {"1:30:00:00", "Не понимаю"},
      {"1,5h", "Не понимаю"},
  };
  for (const auto& [text, reason] : invalid) {
    const auto parsed = parseDuration(text);
    EXPECT_FALSE(parsed) << text;
    EXPECT_NE(parsed.error.find(reason), std::string::npos) << text << ": " << parsed.error;
  }
}

TEST(DurationParser, MinutesAndTimesOfDay) {
  EXPECT_DOUBLE_EQ(*parseMinutes("5").value, 300);
  EXPECT_DOUBLE_EQ(*parseMinutes("2.5").value, 150);
  EXPECT_DOUBLE_EQ(*parseMinutes("10080").value, 604800);
  for (const char* bad : {"0", "-1", "abc", "10081", "5m", ""}) {
    EXPECT_FALSE(parseMinutes(bad)) << bad;
  }
  const std::vector<std::pair<std::string, ClockTime>> times{
      {"14:30", {14, 30}}, {"9:05", {9, 5}}, {"00:00", {0, 0}}, {"23:59", {23, 59}}};
  for (const auto& [text, time] : times) EXPECT_EQ(parseClockTime(text).value, time) << text;
  for (const char* bad : {"24:00", "12:60", "9:5", "1430", "12:30:00", "ab:cd", "", "-1:00"}) {
    const auto parsed = parseClockTime(bad);
    EXPECT_FALSE(parsed) << bad;
    EXPECT_NE(parsed.error.find("ЧЧ:ММ"), std::string::npos) << bad;
  }
}

// A spring day S whose clocks go 02:00 → 03:00 (at 01:00 UTC) and an autumn day F whose clocks
// go 03:00 → 02:00 (at 01:00 UTC); instants are written as a day and a UTC time of day.
constexpr double kDay = 86400;
constexpr double S = 9000 * kDay;
constexpr double F = S + 210 * kDay;

TEST(DurationParser, TimeOfDayAcrossMidnightAndTheClockChanges) {
  const testing::FakeTimeZone zone(S + 3600, F + 3600);
  struct Case {
    const char* what;
    TimePoint now;  // UTC
    ClockTime at;   // local
    double wait;    // seconds until it fires
  };
  const std::vector<Case> cases{
      {"later today", S - 10 * kDay + 9 * 3600, {14, 30}, 4.5 * 3600},
      {"after midnight is tomorrow", S - 10 * kDay + 22 * 3600 + 50 * 60, {0, 10}, 20 * 60},
      {"now is tomorrow", S - 10 * kDay + 13.5 * 3600, {14, 30}, kDay},
      {"under a second ahead is tomorrow", S - 10 * kDay + 13.5 * 3600 - 0.5, {14, 30}, kDay + 0.5},
      {"the short night has 9 hours to 08:00", S - kDay + 21 * 3600, {8, 0}, 9 * 3600},
      {"the skipped hour is over: tomorrow", S + 8 * 3600, {2, 30}, 16.5 * 3600},
      {"the long night has 11 hours to 08:00", F - kDay + 20 * 3600, {8, 0}, 11 * 3600},
      {"a repeated time: the first of the two", F - 1.5 * 3600, {2, 30}, 2 * 3600},
      {"a repeated time, first one past: the second", F + 0.75 * 3600, {2, 30}, 0.75 * 3600},
  };
  for (const Case& c : cases) {
    const auto fire = fireDateAt(c.at, c.now, zone);
    ASSERT_TRUE(fire) << c.what << ": " << fire.error;
    EXPECT_DOUBLE_EQ(*fire.value - c.now, c.wait) << c.what;
  }
  // 02:30 does not exist on the spring day: refused while it is still ahead.
  const auto skipped = fireDateAt({2, 30}, S - 0.5 * 3600, zone);
  EXPECT_FALSE(skipped);
  EXPECT_NE(skipped.error.find("02:30"), std::string::npos) << skipped.error;
}

}  // namespace
}  // namespace brindlecap
