#include "platform/linux/RemoteControlBusAdaptor.h"

#include <utility>

namespace brindlecap {

RemoteControlBusAdaptor::RemoteControlBusAdaptor(QObject* object, QDBusConnection bus,
                                                 std::function<RemoteControl*()> control)
    : QDBusAbstractAdaptor(object), bus_(std::move(bus)), control_(std::move(control)) {
  remote::registerBusTypes();
}

QVariant RemoteControlBusAdaptor::answer(const QDBusMessage& message, const QString& method,
                                         const QVariantList& arguments) {
  const RemoteResult<QVariant> result = remote::dispatch(control_(), method, arguments);
  if (result.ok()) return result.value();
  // A delayed reply is the one way an adaptor's slot can answer with an error of its own.
  message.setDelayedReply(true);
  bus_.send(message.createErrorReply(remote::errorName(result.failure().error),
                                     QString::fromStdString(result.failure().message)));
  return {};
}

QString RemoteControlBusAdaptor::AddTimer(double seconds, const QString& title,
                                          const QDBusMessage& message) {
  return answer(message, QStringLiteral("AddTimer"), {seconds, title}).toString();
}

QList<remote::BusTimer> RemoteControlBusAdaptor::ListTimers(const QDBusMessage& message) {
  return answer(message, QStringLiteral("ListTimers"), {}).value<QList<remote::BusTimer>>();
}

void RemoteControlBusAdaptor::RemoveTimer(const QString& id, const QDBusMessage& message) {
  answer(message, QStringLiteral("RemoveTimer"), {id});
}

void RemoteControlBusAdaptor::SnoozeTimer(const QString& id, double seconds,
                                          const QDBusMessage& message) {
  answer(message, QStringLiteral("SnoozeTimer"), {id, seconds});
}

void RemoteControlBusAdaptor::ExtendTimer(const QString& id, double seconds,
                                          const QDBusMessage& message) {
  answer(message, QStringLiteral("ExtendTimer"), {id, seconds});
}

void RemoteControlBusAdaptor::ToggleList(const QDBusMessage& message) {
  answer(message, QStringLiteral("ToggleList"), {});
}

void RemoteControlBusAdaptor::Quit(const QDBusMessage& message) {
  answer(message, QStringLiteral("Quit"), {});
}

}  // namespace brindlecap
