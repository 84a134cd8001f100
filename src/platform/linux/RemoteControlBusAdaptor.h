#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QString>

#include <functional>

#include "platform/RemoteControl.h"
#include "platform/linux/RemoteControlProtocol.h"

namespace brindlecap {

// org.brindlecap.Brindlecap1 on the instance's bus object. Errors go back as the interface's
// named D-Bus errors; times are Unix seconds.
class RemoteControlBusAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.brindlecap.Brindlecap1")
  Q_CLASSINFO("D-Bus Introspection",
              "  <interface name=\"org.brindlecap.Brindlecap1\">\n"
              "    <method name=\"AddTimer\">\n"
              "      <arg name=\"seconds\" type=\"d\" direction=\"in\"/>\n"
              "      <arg name=\"title\" type=\"s\" direction=\"in\"/>\n"
              "      <arg name=\"id\" type=\"s\" direction=\"out\"/>\n"
              "    </method>\n"
              "    <method name=\"ListTimers\">\n"
              "      <arg name=\"timers\" type=\"a(ssdd)\" direction=\"out\"/>\n"
              "    </method>\n"
              "    <method name=\"RemoveTimer\">\n"
              "      <arg name=\"id\" type=\"s\" direction=\"in\"/>\n"
              "    </method>\n"
              "    <method name=\"SnoozeTimer\">\n"
              "      <arg name=\"id\" type=\"s\" direction=\"in\"/>\n"
              "      <arg name=\"seconds\" type=\"d\" direction=\"in\"/>\n"
              "    </method>\n"
              "    <method name=\"ExtendTimer\">\n"
              "      <arg name=\"id\" type=\"s\" direction=\"in\"/>\n"
              "      <arg name=\"seconds\" type=\"d\" direction=\"in\"/>\n"
              "    </method>\n"
              "    <method name=\"ToggleList\"/>\n"
              "    <method name=\"Quit\"/>\n"
              "    <signal name=\"TimersChanged\"/>\n"
              "  </interface>\n")

 public:
  // `control` is asked on every call: nothing while the application is still starting.
  RemoteControlBusAdaptor(QObject* object, QDBusConnection bus,
                          std::function<RemoteControl*()> control);

 public slots:
  QString AddTimer(double seconds, const QString& title, const QDBusMessage& message);
  QList<remote::BusTimer> ListTimers(const QDBusMessage& message);
  void RemoveTimer(const QString& id, const QDBusMessage& message);
  void SnoozeTimer(const QString& id, double seconds, const QDBusMessage& message);
  void ExtendTimer(const QString& id, double seconds, const QDBusMessage& message);
  void ToggleList(const QDBusMessage& message);
  void Quit(const QDBusMessage& message);

 signals:
  // Any timer was added, removed or moved, from here or from the application itself.
  void TimersChanged();

 private:
  // The call's result; on failure the error reply is already sent and the return value unused.
  QVariant answer(const QDBusMessage& message, const QString& method,
                  const QVariantList& arguments);

  QDBusConnection bus_;
  std::function<RemoteControl*()> control_;
};

}  // namespace brindlecap
