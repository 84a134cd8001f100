#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <fstream>

#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap::testing {

// A dbus-daemon of the test's own that knows no activatable services, and named connections to
// it. Check started() (no dbus-daemon installed: skip).
class PrivateBus {
 public:
  PrivateBus() {
    ensureQtApplication();
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) return;
    std::ofstream(directory_ / "bus.conf")
        << "<busconfig><type>session</type><listen>unix:dir=" << directory_.path().string()
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
           "</policy></busconfig>\n";
    daemon_.start(program, {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                            QString::fromStdString("--config-file=" + directory_ / "bus.conf")});
    if (runEventsUntil([&] { return daemon_.canReadLine(); })) {
      address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    daemon_.waitForFinished();
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool started() const { return !address_.isEmpty(); }
  // A new connection with a unique name of its own on the bus.
  QDBusConnection connect() {
    static int count = 0;
    names_.append(QStringLiteral("private-bus-%1").arg(++count));
    return QDBusConnection::connectToBus(address_, names_.back());
  }

 private:
  TemporaryDirectory directory_;
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

}  // namespace brindlecap::testing
