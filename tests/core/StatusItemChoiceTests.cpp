#include <gtest/gtest.h>

#include "menubar/StatusItemChoice.h"

namespace brindlecap {
namespace {

TEST(StatusItemChoiceTest, ARealTrayFirstThenANotifierHostThenThePanel) {
  const auto tray = StatusItemKind::trayIcon, item = StatusItemKind::notifierItem,
             panel = StatusItemKind::none;
  struct Case {
    StatusItemHosts hosts;  // tray, proxy, watcher, host
    std::optional<std::string_view> forced;
    StatusItemKind expected;
  };
  const std::optional<std::string_view> none;
  for (const Case& c : std::initializer_list<Case>{
           {{false, false, false, false}, none, panel},
           {{true, false, false, false}, none, tray},
           {{true, false, true, true}, none, tray},     // Xfce: both; only the tray drags
           {{true, true, true, true}, none, item},      // KDE's proxy
           {{true, true, false, false}, none, panel},   // a proxy to nowhere
           {{false, false, true, false}, none, panel},  // a watcher with no host shows nothing
           {{false, false, true, true}, none, item},
           {{true, false, true, true}, "sni", item},
           {{true, false, true, false}, "sni", item},
           {{true, true, true, true}, "xembed", tray},
           {{false, false, true, true}, "xembed", item},  // no tray at all: as if not forced
           {{true, false, true, true}, "panel", panel},
           {{true, false, true, true}, "dock", tray},  // unknown values are ignored
       }) {
    EXPECT_EQ(StatusItemChoice::choose(c.hosts, c.forced), c.expected)
        << c.hosts.trayIcon << c.hosts.trayIsProxy << c.hosts.notifierWatcher
        << c.hosts.notifierHost << " forced " << c.forced.value_or("-");
  }
}

TEST(StatusItemChoiceTest, ThePanelHangsFromTheTopWithRoomForADragToTheRight) {
  EXPECT_EQ(StatusItemChoice::fallbackPlacement(Rect(0, 0, 1440, 875)).frame,
            Rect(1214, 849, 26, 26));
  EXPECT_EQ(StatusItemChoice::fallbackPlacement(Rect(1440, 100, 1920, 1000)).frame,
            Rect(3134, 1074, 26, 26))
      << "a second screen's own frame";
  EXPECT_EQ(StatusItemChoice::fallbackPlacement(Rect(0, 0, 150, 500)).frame.minX(), 0)
      << "never off a narrow screen";
}

}  // namespace
}  // namespace brindlecap
