#pragma once

#include <functional>

#include "app/AppDelegate.h"
#include "support/FakeAppWindows.h"
#include "support/FakeCompletionBanner.h"
#include "support/FakeDateFormatter.h"
#include "support/FakeEnvironment.h"
#include "support/FakeHotKeySystem.h"
#include "support/FakeLoginItems.h"
#include "support/FakeNotificationCenter.h"
#include "support/FakeTopBar.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/InMemoryFileSystem.h"
#include "support/VirtualTime.h"

namespace brindlecap::testing {

// Every platform service the application core needs, as fakes on one virtual clock.
struct FakeAppPlatform {
  AppPlatform platform(std::function<void()> terminate) {
    return AppPlatform{
        time,        time,   time,        files,   defaults, loginItems, dates,
        environment, output, screens,     windows, events,   cursor,     haptics,
        links,       center, bannerPanel, sound,   hotKeys,  appWindows, std::move(terminate)};
  }

  VirtualTime time;
  InMemoryFileSystem files;
  InMemoryDefaultsStore defaults;
  FakeLoginItems loginItems;
  FakeDateFormatter dates;
  FakeEnvironment environment;
  RecordingDiagnosticOutput output;
  FakeScreens screens;
  FakeTopBarWindows windows;
  FakeDragEvents events;
  FakeCursor cursor;
  FakeHaptics haptics;
  ManualDisplayLinks links;
  FakeNotificationCenter center;
  FakeCompletionBannerPanel bannerPanel;
  FakeCompletionSound sound;
  FakeHotKeySystem hotKeys;
  FakeAppWindowSystem appWindows;
};

}  // namespace brindlecap::testing
