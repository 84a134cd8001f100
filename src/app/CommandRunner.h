#pragma once

#include <ostream>

#include "app/CommandLine.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "platform/FileSystem.h"
#include "platform/RemoteControl.h"
#include "platform/TimeZone.h"

namespace brindlecap {

// Exit statuses of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUnavailable = 1;  // no instance answered, or no timer with that id
inline constexpr int kExitUsage = 2;        // the command itself is wrong

// The services a command runs with; all outlive the runner.
struct CommandServices {
  RemoteInstance& instance;
  const FileSystem& files;  // read only: `list` without an instance reads the saved timers
  const WallClock& clock;
  const TimeZone& zone;
  const DateFormatter& dates;
  std::ostream& out;  // results
  std::ostream& err;  // messages, prefixed "brindlecap: "
};

// Carries out one parsed command against the running application (start, help and version are
// the caller's) and returns the exit status.
int runCommand(const CommandLine& command, const CommandServices& services);

}  // namespace brindlecap
