#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <optional>

#include "platform/RemoteControl.h"

namespace brindlecap {

// The remote control on the wire: the D-Bus interface beside the single-instance name, and the
// same requests as JSON lines on the single-instance socket for sessions without a bus.
namespace remote {

inline constexpr char kInterface[] = "org.brindlecap.Brindlecap1";

// "org.brindlecap.Brindlecap1.Error.NotFound", ".InvalidDuration", ".InvalidArgument",
// ".NotReady" (the instance is still starting).
QString errorName(RemoteError error);
// The error a reply named; any name not ours (no reply, no such service) means unreachable.
RemoteError errorFromName(const QString& name);

// One timer in ListTimers' a(ssdd): id, title, fire date and creation as Unix time.
struct BusTimer {
  QString id;
  QString title;
  double fireDate = 0;
  double createdAt = 0;
};
// Makes BusTimer and QList<BusTimer> known to QtDBus; idempotent.
void registerBusTypes();
QDBusArgument& operator<<(QDBusArgument& argument, const BusTimer& timer);
const QDBusArgument& operator>>(const QDBusArgument& argument, BusTimer& timer);
RemoteTimer fromBus(const BusTimer& timer);
BusTimer toBus(const RemoteTimer& timer);

// A request by its D-Bus method name, as both transports carry it: "AddTimer" (seconds, title)
// answers the id, "ListTimers" a QList<BusTimer>, "RemoveTimer" (id), "SnoozeTimer" and
// "ExtendTimer" (id, seconds), "ToggleList" and "Quit" nothing. Arguments of the wrong type
// are refused; without a control (still starting) everything is.
RemoteResult<QVariant> dispatch(RemoteControl* control, const QString& method,
                                const QVariantList& arguments);

// The socket's lines: {"method": "AddTimer", "arguments": [1500, "Чай"]} asks, and
// {"result": …} or {"error": "<error name>", "message": "…"} answers.
QByteArray encodeSocketRequest(const QString& method, const QVariantList& arguments);
QByteArray answerSocketRequest(RemoteControl* control, const QByteArray& request);
RemoteResult<QVariant> decodeSocketAnswer(const QByteArray& answer);

}  // namespace remote
}  // namespace brindlecap

Q_DECLARE_METATYPE(brindlecap::remote::BusTimer)
