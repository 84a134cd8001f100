#include "timers/DurationParser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace brindlecap {

namespace {

constexpr double kDay = 86400;
constexpr const char* kExamples = "Примеры: 25m, 1h30m, 90s, 2d, 1:30:00.";

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

std::string quoted(std::string_view text) {
  return "«" + std::string(text) + "»";
}

// Reads "12" or "1.5" from the front of `text`; nothing when no digit comes first. Digits are
// summed by hand: strtod would follow the locale's decimal separator.
std::optional<double> readNumber(std::string_view& text) {
  std::size_t i = 0;
  double value = 0;
  while (i < text.size() && isDigit(text[i])) value = value * 10 + (text[i++] - '0');
  if (i == 0) return std::nullopt;
  if (i < text.size() && text[i] == '.') {
    std::size_t fraction = i + 1;
    double scale = 0.1;
    while (fraction < text.size() && isDigit(text[fraction])) {
      value += (text[fraction++] - '0') * scale;
      scale /= 10;
    }
    if (fraction == i + 1) return std::nullopt;  // "1." is a typo, not a number
    i = fraction;
  }
  text.remove_prefix(i);
  return value;
}

// The whole of `text` as a number; nothing when anything else is left over.
std::optional<double> wholeNumber(std::string_view text) {
  const auto value = readNumber(text);
  if (!value || !text.empty()) return std::nullopt;
  return value;
}

Parsed<double> withinBounds(double seconds) {
  if (auto error = durationError(seconds)) return Parsed<double>::failure(std::move(*error));
  return {seconds, {}};
}

Parsed<double> notUnderstood(std::string_view text) {
  return Parsed<double>::failure("Не понимаю длительность " + quoted(text) + ". " + kExamples);
}

// "1:30:00": any number of hours, then minutes and seconds of two digits each.
Parsed<double> parseClockForm(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (!std::all_of(parts.begin(), parts.end(), allDigits)) return notUnderstood(text);
  if (parts.size() == 2) {
    return Parsed<double>::failure(quoted(text) +
                                   " можно понять и как часы с минутами, и как минуты с "
                                   "секундами: напишите 1h30m, 1m30s или 1:30:00.");
  }
  if (parts.size() != 3 || parts[1].size() != 2 || parts[2].size() != 2) return notUnderstood(text);
  const double hours = *wholeNumber(parts[0]);
  const double minutes = *wholeNumber(parts[1]);
  const double seconds = *wholeNumber(parts[2]);
  if (minutes >= 60 || seconds >= 60) return notUnderstood(text);
  return withinBounds(hours * 3600 + minutes * 60 + seconds);
}

// "1d2h30m15s": units from the largest down, each at most once, spaces allowed between them.
Parsed<double> parseUnitForm(std::string_view text) {
  static constexpr std::array<std::pair<char, double>, 4> kUnits{
      {{'d', kDay}, {'h', 3600}, {'m', 60}, {'s', 1}}};
  std::size_t nextUnit = 0;  // units before this index are used up
  double total = 0;
  std::string_view rest = text;
  while (!rest.empty()) {
    const auto number = readNumber(rest);
    if (!number || rest.empty()) return notUnderstood(text);
    const char letter = static_cast<char>(rest.front() | 0x20);  // ASCII lower case
    const auto unit = std::find_if(kUnits.begin(), kUnits.end(),
                                   [letter](const auto& u) { return u.first == letter; });
    if (unit == kUnits.end()) return notUnderstood(text);
    const auto index = static_cast<std::size_t>(unit - kUnits.begin());
    if (index < nextUnit) {
      return Parsed<double>::failure("В " + quoted(text) +
                                     " единицы повторяются или идут не по порядку: пишите от "
                                     "дней к секундам, например 1h30m.");
    }
    nextUnit = index + 1;
    total += *number * unit->second;
    rest.remove_prefix(1);
    rest = trimmed(rest);
  }
  return withinBounds(total);
}

}  // namespace

std::optional<std::string> durationError(double seconds) {
  if (!std::isfinite(seconds)) return "Длительность должна быть числом секунд.";
  if (seconds < kShortestTimer) return "Таймер должен идти хотя бы 1 секунду.";
  if (seconds > kLongestTimer) return "Таймер можно поставить не больше чем на 7 дней.";
  return std::nullopt;
}

Parsed<double> parseDuration(std::string_view input) {
  const std::string_view text = trimmed(input);
  if (text.empty())
    return Parsed<double>::failure(std::string("Не указана длительность. ") + kExamples);
  if (text.front() == '-')
    return Parsed<double>::failure("Длительность не может быть отрицательной.");
  if (text.find(':') != std::string_view::npos) return parseClockForm(text);
  if (wholeNumber(text)) {
    const std::string n(text);
    return Parsed<double>::failure("У длительности " + quoted(text) + " нет единицы: напишите " +
                                   n + "m (минуты), " + n + "h (часы), " + n + "s (секунды) или " +
                                   n + "d (дни).");
  }
  return parseUnitForm(text);
}

Parsed<double> parseMinutes(std::string_view input) {
  const std::string_view text = trimmed(input);
  if (!text.empty() && text.front() == '-') {
    return Parsed<double>::failure("Число минут не может быть отрицательным.");
  }
  const auto minutes = wholeNumber(text);
  if (!minutes)
    return Parsed<double>::failure(quoted(text) + " — не число минут, например 5 или 2.5.");
  return withinBounds(*minutes * 60);
}

Parsed<ClockTime> parseClockTime(std::string_view input) {
  const std::string_view text = trimmed(input);
  const std::size_t colon = text.find(':');
  const auto refuse = [&] {
    return Parsed<ClockTime>::failure(quoted(text) +
                                      " — не время суток: нужно ЧЧ:ММ, от 00:00 до 23:59.");
  };
  if (colon == std::string_view::npos) return refuse();
  const std::string_view hours = text.substr(0, colon);
  const std::string_view minutes = text.substr(colon + 1);
  if (!allDigits(hours) || hours.size() > 2 || !allDigits(minutes) || minutes.size() != 2) {
    return refuse();
  }
  const ClockTime time{static_cast<int>(*wholeNumber(hours)),
                       static_cast<int>(*wholeNumber(minutes))};
  if (time.hour > 23 || time.minute > 59) return refuse();
  return {time, {}};
}

Parsed<TimePoint> fireDateAt(ClockTime time, TimePoint now, const TimeZone& zone) {
  // Wall-clock arithmetic in "local seconds": an instant plus the offset in force at it.
  const double localNow = now + zone.utcOffset(now);
  const double localMidnight = std::floor(localNow / kDay) * kDay;
  for (int day = 0; day < 2; ++day) {
    const double wall = localMidnight + day * kDay + time.hour * 3600 + time.minute * 60;
    // Every instant whose local time is `wall`: none in a skipped hour, two in a repeated one.
    // The offsets a day either side cover any one change of the offset around it.
    std::vector<TimePoint> instants;
    for (const double probe : {wall - kDay, wall, wall + kDay}) {
      const TimePoint candidate = wall - zone.utcOffset(probe);
      if (candidate + zone.utcOffset(candidate) == wall &&
          std::find(instants.begin(), instants.end(), candidate) == instants.end()) {
        instants.push_back(candidate);
      }
    }
    std::sort(instants.begin(), instants.end());
    for (const TimePoint instant : instants) {
      if (instant >= now + kShortestTimer) return {instant, {}};
    }
    if (instants.empty() && wall > localNow) {
      char shown[16];
      std::snprintf(shown, sizeof shown, "%02d:%02d", time.hour, time.minute);
      return Parsed<TimePoint>::failure(std::string("В ") + shown +
                                        " часы в этот день не покажут: их переводят вперёд. "
                                        "Выберите другое время.");
    }
  }
  return Parsed<TimePoint>::failure("Не удалось найти, когда наступит это время.");
}

}  // namespace brindlecap
