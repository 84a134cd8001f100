#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "timers/DurationParser.h"

namespace brindlecap {

// What the program was asked to do, read from its arguments.
struct CommandLine {
  enum class Action { start, help, version, add, list, remove, snooze, extend, toggleList, quit };

  Action action = Action::start;
  // add: a duration or a time of day, and the title (its words joined by spaces).
  std::optional<double> duration;  // seconds
  std::optional<ClockTime> at;
  std::string title;
  bool titleWasCut = false;  // longer than kLongestTitle; the rest was dropped
  // list
  bool json = false;
  // remove, snooze, extend: the canonical id, or every timer (remove --all).
  std::string id;
  bool all = false;
  // snooze, extend
  double seconds = 300;
};

// Longer titles are cut to this many characters (Unicode code points).
inline constexpr std::size_t kLongestTitle = 1000;
// Cuts `title` to kLongestTitle code points; true when something was cut.
bool cutTitle(std::string& title);

// Reads the arguments after the program name. Options are English ("--json"), messages Russian;
// "--" ends the options, so a title may begin with a hyphen.
Parsed<CommandLine> parseCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string usageText();

}  // namespace brindlecap
