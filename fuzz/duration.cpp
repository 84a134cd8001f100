// The command line's grammar against any arguments (the input split at NUL bytes): whatever is
// accepted lies within a timer's bounds, and every refusal says why.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "app/CommandLine.h"
#include "platform/Uuid.h"
#include "support/FakeTimeZone.h"
#include "timers/DurationParser.h"

using namespace brindlecap;

namespace {

bool withinBounds(double seconds) {
  return std::isfinite(seconds) && seconds >= kShortestTimer && seconds <= kLongestTimer;
}

template <typename T>
void checkAnswer(const Parsed<T>& parsed) {
  FUZZ_CHECK(parsed.value.has_value() == parsed.error.empty());
}

std::size_t codePoints(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back().push_back(static_cast<char>(data[i]));
    }
  }

  // Summer time starts a day after "now" and ends two days later, so "--at" meets both changes.
  const TimePoint now = 800000000.0;
  const testing::FakeTimeZone zone(now + 86400, now + 3 * 86400);
  for (const std::string& argument : arguments) {
    const auto duration = parseDuration(argument);
    checkAnswer(duration);
    if (duration) FUZZ_CHECK(withinBounds(*duration.value));
    const auto minutes = parseMinutes(argument);
    checkAnswer(minutes);
    if (minutes) FUZZ_CHECK(withinBounds(*minutes.value));
    const auto time = parseClockTime(argument);
    checkAnswer(time);
    if (!time) continue;
    FUZZ_CHECK(time.value->hour >= 0 && time.value->hour <= 23);
    FUZZ_CHECK(time.value->minute >= 0 && time.value->minute <= 59);
    const auto fireDate = fireDateAt(*time.value, now, zone);
    checkAnswer(fireDate);
    if (fireDate) FUZZ_CHECK(*fireDate.value >= now + 1 && *fireDate.value <= now + 2 * 86400);
  }

  const auto command = parseCommandLine(arguments);
  checkAnswer(command);
  if (!command) return 0;
  const CommandLine& line = *command.value;
  FUZZ_CHECK(codePoints(line.title) <= kLongestTitle);
  switch (line.action) {
    case CommandLine::Action::add:
      FUZZ_CHECK(line.duration.has_value() != line.at.has_value());
      if (line.duration) FUZZ_CHECK(withinBounds(*line.duration));
      break;
    case CommandLine::Action::remove:
      if (line.all) break;
      [[fallthrough]];
    case CommandLine::Action::snooze:
    case CommandLine::Action::extend:
      FUZZ_CHECK(Uuid::parse(line.id) && Uuid::parse(line.id)->toString() == line.id);
      FUZZ_CHECK(withinBounds(line.seconds));
      break;
    default:
      break;
  }
  return 0;
}
