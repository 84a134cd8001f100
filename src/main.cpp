// Brindlecap's entry point: the command line, or the Qt application with the Linux platform
// services and the delegate.
#include <QApplication>
#include <QDBusConnection>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppRemoteControl.h"
#include "app/CommandLine.h"
#include "app/CommandRunner.h"
#include "platform/linux/CanberraSound.h"
#include "platform/linux/FreedesktopNotificationCenter.h"
#include "platform/linux/LocaleDateFormatter.h"
#include "platform/linux/PacedDisplayLink.h"
#include "platform/linux/PortalHotKeys.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/PosixTimeZone.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/QSettingsDefaultsStore.h"
#include "platform/linux/QtDragInput.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/RemoteControlBusAdaptor.h"
#include "platform/linux/RemoteControlClient.h"
#include "platform/linux/SignalHandling.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/TimerFdAlarm.h"
#include "platform/linux/XcbConnection.h"
#include "platform/linux/XcbHotKeys.h"
#include "platform/linux/XdgLoginItems.h"
#include "ui/QtAppWindows.h"
#include "ui/QtCompletionBannerPanel.h"
#include "ui/QtTopBarWindows.h"

namespace {

constexpr const char* kNeedsDisplay =
    "brindlecap: cannot open a display. Brindlecap is an X11 desktop application: run it in a "
    "graphical session (DISPLAY), or set QT_QPA_PLATFORM=offscreen for tests.\n";

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Global pointer positions, grabs and key grabs need X11: on Wayland, run through XWayland
// unless the user chose a platform. Returns false when no usable display exists at all.
bool choosePlatform(bool diagnostics) {
  if (isSet("QT_QPA_PLATFORM")) return true;
  if (isSet("WAYLAND_DISPLAY") && isSet("DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (diagnostics) {
      std::printf("BRINDLECAP_PLATFORM xcb (XWayland)\n");
      std::fflush(stdout);
    }
    return true;
  }
  return isSet("DISPLAY");
}

// Qt ends a failed display connection with abort(); say what is missing and exit normally.
void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  const QByteArray text = message.toLocal8Bit();
  if (type == QtFatalMsg) {
    if (message.contains(QLatin1String("display"), Qt::CaseInsensitive) ||
        message.contains(QLatin1String("platform plugin"), Qt::CaseInsensitive)) {
      std::fputs(kNeedsDisplay, stderr);
    }
    std::fprintf(stderr, "%s\n", text.constData());
    std::_Exit(1);
  }
  std::fprintf(stderr, "%s\n", text.constData());
}

// An X11 key grab under XWayland sees only keys typed into X11 windows: Wayland sessions go
// through the desktop portal instead.
bool isWaylandSession() {
  const char* type = std::getenv("XDG_SESSION_TYPE");
  return isSet("WAYLAND_DISPLAY") || (type && std::strcmp(type, "wayland") == 0);
}

// A command for the running instance: no display, only a core application for the bus and the
// socket.
int runCommandLine(const brindlecap::CommandLine& command, int argc, char** argv) {
  using namespace brindlecap;
  QCoreApplication application(argc, argv);
  ProcessEnvironment environment;
  PosixFileSystem files(environment);
  SystemClock clock;
  PosixTimeZone zone;
  LocaleDateFormatter dates;
  LocalRemoteInstance instance(QStringLiteral(BRINDLECAP_APP_ID),
                               qEnvironmentVariable("XDG_RUNTIME_DIR"),
                               QCoreApplication::applicationFilePath());
  return runCommand(command, {instance, files, clock, zone, dates, std::cout, std::cerr});
}

int runApplication(int argc, char** argv) {
  using namespace brindlecap;
  qInstallMessageHandler(messageHandler);
  const bool wayland = isWaylandSession();
  if (!choosePlatform(isSet("BRINDLECAP_DIAGNOSTICS"))) {
    std::fputs(kNeedsDisplay, stderr);
    return 1;
  }

  // Qt's shared-memory images cost an X round trip before each repaint of a region it just
  // flushed: three extra wake-ups a minute for the icon's one change. The images here are small
  // enough to send over the socket. Read once, as the connection opens; children do not inherit it.
  const bool ownShmSetting = !isSet("QT_XCB_NO_MITSHM");
  if (ownShmSetting) setenv("QT_XCB_NO_MITSHM", "1", 1);
  QApplication application(argc, argv);
  if (ownShmSetting) unsetenv("QT_XCB_NO_MITSHM");
  QApplication::setApplicationName(QStringLiteral("Brindlecap"));
  QApplication::setApplicationVersion(QStringLiteral(BRINDLECAP_VERSION));
  QApplication::setDesktopFileName(QStringLiteral(BRINDLECAP_APP_ID));
  QApplication::setQuitOnLastWindowClosed(false);  // it lives in the top bar, not in a window

  // A second launch must not show a second icon or write the same timers file: it asks the
  // running instance to open its list and leaves.
  SingleInstance instance(QStringLiteral(BRINDLECAP_APP_ID),
                          qEnvironmentVariable("XDG_RUNTIME_DIR"));
  // Other programs reach the timers through the same channels. Requests are handled only once
  // the event loop runs, by which time the remote control below exists.
  RemoteControl* remoteControl = nullptr;
  QPointer<RemoteControlBusAdaptor> controlAdaptor;
  instance.setBusAdaptors([&](QObject* object) {
    controlAdaptor = new RemoteControlBusAdaptor(object, QDBusConnection::sessionBus(),
                                                 [&remoteControl] { return remoteControl; });
  });
  instance.setRequestHandler([&remoteControl](const QByteArray& request) {
    return remote::answerSocketRequest(remoteControl, request);
  });
  if (!instance.claim()) {
    if (instance.activateRunningInstance()) return 0;
    std::fputs("brindlecap: another instance is running but did not answer.\n", stderr);
    return 1;
  }

  ProcessEnvironment environment;
  StandardOutputDiagnostics diagnosticOutput;
  SystemClock clock;
  QtMainQueue mainQueue;
  PosixFileSystem files(environment);
  QSettingsDefaultsStore defaults(QSettingsDefaultsStore::defaultPath(environment));
  XdgLoginItems loginItems(XdgLoginItems::defaultEntryPath(environment),
                           QCoreApplication::applicationFilePath().toStdString());
  LocaleDateFormatter dateFormatter;
  QtScreens screens;
  QtTopBarWindows windows(clock, dateFormatter);
  QtDragEventMonitor dragEvents;
  QtCursor cursor;
  NoHaptics haptics;
  PacedDisplayLinkFactory displayLinks;
  FreedesktopNotificationCenter notifications(clock, environment);
  QtCompletionBannerPanel bannerPanel(hasCompositor());
  CanberraSound completionSound;
  std::unique_ptr<HotKeySystem> hotKeys;
  if (wayland) {
    hotKeys = std::make_unique<PortalHotKeys>(QDBusConnection::sessionBus());
  } else {
    hotKeys = std::make_unique<XcbHotKeys>();
  }
  const auto terminate = [] { QCoreApplication::exit(0); };
  QtAppWindowSystem appWindows(notifications, terminate);
  TimerFdAlarm wallClockAlarm;

  AppDelegate delegate(AppPlatform{
      clock,         clock,       mainQueue,        files,          defaults,    loginItems,
      dateFormatter, environment, diagnosticOutput, screens,        windows,     dragEvents,
      cursor,        haptics,     displayLinks,     notifications,  bannerPanel, completionSound,
      *hotKeys,      appWindows,  terminate,        &wallClockAlarm});
  AppRemoteControl remote(delegate, clock, mainQueue, terminate);
  remote.onTimersChanged = [&controlAdaptor] {
    if (controlAdaptor) emit controlAdaptor->TimersChanged();
  };
  remoteControl = &remote;
  // Logout and shutdown end the loop normally so the final save below runs. exit() rather than
  // quit(): quit() first asks every window to close and gives up if one stays open.
  installTerminationHandlers(terminate);
  QTimer::singleShot(0, &application, [&delegate] { delegate.applicationDidFinishLaunching(); });
  // Held notifications fall due by the wall clock, which the store reads on every tick; it ticks
  // when the next one is due too.
  Subscription notificationClock = delegate.store()->now.subscribe(
      [&notifications](TimePoint) { notifications.postDueRequests(); },
      Published<TimePoint>::Delivery::changesOnly);
  Subscription notificationTicks = delegate.store()->demandTicks(
      [&notifications](TimePoint) { return notifications.nextDueDate(); });
  QObject::connect(&instance, &SingleInstance::activationRequested, &application,
                   [&delegate] { delegate.openListForSecondLaunch(); });

  const int status = QApplication::exec();
  remoteControl = nullptr;
  delegate.applicationWillTerminate();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brindlecap;
  const auto command = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!command) {
    std::fprintf(stderr, "brindlecap: %s\nСправка: brindlecap --help\n", command.error.c_str());
    return kExitUsage;
  }
  switch (command.value->action) {
    case CommandLine::Action::help:
      std::fputs(usageText().c_str(), stdout);
      return kExitDone;
    case CommandLine::Action::version:
      std::printf("brindlecap %s\n", BRINDLECAP_VERSION);
      return kExitDone;
    case CommandLine::Action::start:
      return runApplication(argc, argv);
    default:
      qInstallMessageHandler(messageHandler);
      return runCommandLine(*command.value, argc, argv);
  }
}
