#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/TimePoint.h"
#include "platform/TimeZone.h"

namespace brindlecap {

// A parsed value, or the sentence that tells the user why the text was refused.
template <typename T>
struct Parsed {
  std::optional<T> value;
  std::string error;  // Russian, one sentence or two; empty when `value` is set

  static Parsed failure(std::string message) { return {std::nullopt, std::move(message)}; }
  explicit operator bool() const { return value.has_value(); }
};

// Every way of creating a timer shares the composer's bounds, in seconds.
inline constexpr double kShortestTimer = 1;
inline constexpr double kLongestTimer = 7 * 86400.0;

// Why `seconds` cannot be a timer's duration (not finite, below one second, above seven days),
// or nothing when it can.
std::optional<std::string> durationError(double seconds);

// Seconds from "25m", "1h30m", "1.5h", "90s", "2d", "1d 2h" (units d, h, m, s from the largest
// down, each once) or "1:30:00" (hours, minutes, seconds), within the bounds. A bare number or a
// two-part "1:30" could mean more than one thing and is refused, not guessed.
Parsed<double> parseDuration(std::string_view text);

// Seconds from a number of minutes ("5", "2.5"), within the bounds.
Parsed<double> parseMinutes(std::string_view text);

// A time of day on the local clock.
struct ClockTime {
  int hour = 0;    // 0…23
  int minute = 0;  // 0…59
  friend bool operator==(const ClockTime&, const ClockTime&) = default;
};

// "14:30", "9:05", "00:00".
Parsed<ClockTime> parseClockTime(std::string_view text);

// The first instant at least a second after `now` at which the local clock shows `time`: today
// while it is still ahead, else tomorrow. A time the clocks show twice (they go back) means the
// next of the two; a time the clocks skip on that day (they go forward) is refused.
Parsed<TimePoint> fireDateAt(ClockTime time, TimePoint now, const TimeZone& zone);

}  // namespace brindlecap
