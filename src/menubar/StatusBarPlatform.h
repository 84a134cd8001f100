#pragma once

#include <functional>

#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "platform/Diagnostics.h"
#include "platform/DisplayLink.h"
#include "platform/DragInput.h"
#include "platform/Environment.h"
#include "platform/MainQueue.h"
#include "platform/Screens.h"
#include "platform/TopBarWindows.h"

namespace brindlecap {

// The platform services the top bar runs on; all outlive the objects given them.
struct StatusBarPlatform {
  MainQueue& mainQueue;
  const WallClock& clock;
  const MonotonicClock& monotonicClock;
  const Screens& screens;
  TopBarWindowFactory& windows;
  DragEventMonitor& dragEvents;
  Cursor& cursor;
  Haptics& haptics;
  DisplayLinkFactory& displayLinks;
  const DateFormatter& dates;
  Diagnostics& diagnostics;
  const Environment& environment;
  // Ends the application (the drag benchmark quits when it is done).
  std::function<void()> terminate;
};

}  // namespace brindlecap
