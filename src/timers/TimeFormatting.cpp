#include "timers/TimeFormatting.h"

#include <algorithm>
#include <cmath>

namespace brindlecap::TimeFormatting {

namespace {

enum class PluralForm { one, few, many };

// Russian plural choice. Remainders keep the sign of n, so every negative count is "many".
PluralForm pluralForm(std::int64_t n) {
  const std::int64_t r10 = n % 10;
  const std::int64_t r100 = n % 100;
  if (r10 == 1 && r100 != 11) return PluralForm::one;
  if (r10 >= 2 && r10 <= 4 && !(r100 >= 12 && r100 <= 14)) return PluralForm::few;
  return PluralForm::many;
}

std::string counted(std::int64_t n, const char* one, const char* few, const char* many) {
  std::string text = std::to_string(n);
  text.push_back(' ');
  switch (pluralForm(n)) {
    case PluralForm::one:
      text += one;
      break;
    case PluralForm::few:
      text += few;
      break;
    case PluralForm::many:
      text += many;
      break;
  }
  return text;
}

// Durations longer than any timer could be are clamped so the integer conversions stay defined.
constexpr double kLargestSeconds = 1e15;

double clampedSeconds(double seconds) {
  if (std::isnan(seconds)) return 0;
  return std::clamp(seconds, -kLargestSeconds, kLargestSeconds);
}

}  // namespace

std::string russianMinutes(std::int64_t count) {
  return counted(count, "минуту", "минуты", "минут");
}
std::string russianHours(std::int64_t count) {
  return counted(count, "час", "часа", "часов");
}
std::string russianDays(std::int64_t count) {
  return counted(count, "день", "дня", "дней");
}

std::string duration(double seconds) {
  const auto rounded = static_cast<std::int64_t>(std::round(clampedSeconds(seconds) / 60.0));
  const std::int64_t m = std::max<std::int64_t>(rounded, 1);
  if (rounded < 60) return russianMinutes(m);
  if (rounded < 1440) {
    const std::int64_t rest = m % 60;
    return rest == 0 ? russianHours(m / 60) : russianHours(m / 60) + " " + russianMinutes(rest);
  }
  std::string text = russianDays(m / 1440);
  if (m % 1440 >= 60) text += " " + russianHours((m % 1440) / 60);
  if (m % 60 != 0) text += " " + russianMinutes(m % 60);
  return text;
}

std::string remainingPhrase(TimePoint until, TimePoint now) {
  const double s = std::max(std::ceil(clampedSeconds(until - now)), 1.0);
  const double minutes = std::max(std::ceil(s / 60.0), 1.0);
  return "Через " + duration(minutes * 60.0);
}

std::string iconRemaining(TimePoint until, TimePoint now) {
  const auto s = static_cast<std::int64_t>(std::max(std::ceil(clampedSeconds(until - now)), 0.0));
  if (s >= 86400) return std::to_string(s / 86400) + "d";
  if (s >= 3600) return std::to_string(s / 3600) + "h";
  if (s >= 60) return std::to_string(std::max<std::int64_t>((s + 59) / 60, 1));
  return std::to_string(s);
}

std::string relativeFireDate(TimePoint fireDate, TimePoint now, const DateFormatter& formatter) {
  if (formatter.isSameDay(fireDate, now)) return "сегодня в " + formatter.shortTime(fireDate);
  return formatter.abbreviatedDateTime(fireDate);
}

namespace {
// The last second before the calendar day of `now`. Days are contiguous and never longer than
// 25 hours, so halving the 27 hours before `now` finds their border; a fixed 86 400 s back would
// land two days back after a day of 23 hours.
TimePoint endOfPreviousDay(TimePoint now, const DateFormatter& formatter) {
  TimePoint before = now - 27 * 3600.0, within = now;
  while (within - before > 1) {
    const TimePoint middle = before + std::floor((within - before) / 2);
    if (formatter.isSameDay(middle, now)) {
      within = middle;
    } else {
      before = middle;
    }
  }
  return before;
}
}  // namespace

std::string timeUpAt(TimePoint fireDate, TimePoint now, const DateFormatter& formatter) {
  if (formatter.isSameDay(fireDate, now)) return "Время вышло в " + formatter.shortTime(fireDate);
  // Firings announced late are at most a day old: nearly always yesterday's, which keeps the
  // banner's line short enough for the time to stay visible.
  if (formatter.isSameDay(fireDate, endOfPreviousDay(now, formatter)))
    return "Время вышло вчера в " + formatter.shortTime(fireDate);
  return "Время вышло " + formatter.abbreviatedDateTime(fireDate);
}

}  // namespace brindlecap::TimeFormatting
