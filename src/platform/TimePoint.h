#pragma once

namespace brindlecap {

// An absolute instant: seconds since 2001-01-01 00:00:00 UTC, with sub-second precision.
// This is the unit the timers file stores, so it is kept as a plain double.
using TimePoint = double;

// Seconds between the Unix epoch (1970) and the reference instant (2001).
inline constexpr double kUnixEpochToReference = 978307200.0;

inline constexpr TimePoint timePointFromUnix(double unixSeconds) {
  return unixSeconds - kUnixEpochToReference;
}
inline constexpr double unixFromTimePoint(TimePoint t) {
  return t + kUnixEpochToReference;
}

}  // namespace brindlecap
