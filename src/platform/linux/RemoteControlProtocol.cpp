#include "platform/linux/RemoteControlProtocol.h"

#include <QDBusMetaType>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace brindlecap::remote {

namespace {

constexpr std::pair<RemoteError, const char*> kErrorNames[] = {
    {RemoteError::notFound, "NotFound"},
    {RemoteError::invalidDuration, "InvalidDuration"},
    {RemoteError::invalidArgument, "InvalidArgument"},
    {RemoteError::unreachable, "NotReady"},
};

QString errorPrefix() {
  return QLatin1String(kInterface) + QLatin1String(".Error.");
}

template <typename T>
RemoteResult<QVariant> asVariant(const RemoteResult<T>& result) {
  if (!result.ok()) return result.failure();
  if constexpr (std::is_same_v<T, std::string>) {
    return QVariant(QString::fromStdString(result.value()));
  } else if constexpr (std::is_same_v<T, std::vector<RemoteTimer>>) {
    QList<BusTimer> timers;
    for (const RemoteTimer& timer : result.value()) timers.append(toBus(timer));
    return QVariant::fromValue(timers);
  } else {
    return QVariant();
  }
}

RemoteFailure malformed(const QString& method) {
  return {RemoteError::invalidArgument, "Непонятный запрос " + method.toStdString() + "."};
}

}  // namespace

QString errorName(RemoteError error) {
  for (const auto& [candidate, name] : kErrorNames) {
    if (candidate == error) return errorPrefix() + QLatin1String(name);
  }
  return errorPrefix() + QLatin1String("NotReady");
}

RemoteError errorFromName(const QString& name) {
  for (const auto& [error, suffix] : kErrorNames) {
    if (name == errorPrefix() + QLatin1String(suffix)) return error;
  }
  return RemoteError::unreachable;
}

void registerBusTypes() {
  static const bool registered = [] {
    qDBusRegisterMetaType<BusTimer>();
    qDBusRegisterMetaType<QList<BusTimer>>();
    return true;
  }();
  (void)registered;
}

QDBusArgument& operator<<(QDBusArgument& argument, const BusTimer& timer) {
  argument.beginStructure();
  argument << timer.id << timer.title << timer.fireDate << timer.createdAt;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusTimer& timer) {
  argument.beginStructure();
  argument >> timer.id >> timer.title >> timer.fireDate >> timer.createdAt;
  argument.endStructure();
  return argument;
}

RemoteTimer fromBus(const BusTimer& timer) {
  return {timer.id.toStdString(), timer.title.toStdString(), timePointFromUnix(timer.fireDate),
          timePointFromUnix(timer.createdAt)};
}

BusTimer toBus(const RemoteTimer& timer) {
  return {QString::fromStdString(timer.id), QString::fromStdString(timer.title),
          unixFromTimePoint(timer.fireDate), unixFromTimePoint(timer.createdAt)};
}

RemoteResult<QVariant> dispatch(RemoteControl* control, const QString& method,
                                const QVariantList& arguments) {
  if (!control) return RemoteFailure{RemoteError::unreachable, "Brindlecap ещё запускается."};
  const auto count = [&](qsizetype n) { return arguments.size() == n; };
  const auto text = [&](qsizetype i) -> std::optional<std::string> {
    if (arguments.at(i).typeId() != QMetaType::QString) return std::nullopt;
    return arguments.at(i).toString().toStdString();
  };
  // Anything but a number becomes NaN, which the control refuses as a duration.
  const auto number = [&](qsizetype i) {
    bool ok = false;
    const double value = arguments.at(i).typeId() == QMetaType::QString
                             ? std::numeric_limits<double>::quiet_NaN()
                             : arguments.at(i).toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
  };
  if (method == QLatin1String("AddTimer") && count(2) && text(1)) {
    return asVariant(control->addTimer(number(0), *text(1)));
  }
  if (method == QLatin1String("ListTimers") && count(0)) return asVariant(control->listTimers());
  if (method == QLatin1String("RemoveTimer") && count(1) && text(0)) {
    return asVariant(control->removeTimer(*text(0)));
  }
  if (method == QLatin1String("SnoozeTimer") && count(2) && text(0)) {
    return asVariant(control->snoozeTimer(*text(0), number(1)));
  }
  if (method == QLatin1String("ExtendTimer") && count(2) && text(0)) {
    return asVariant(control->extendTimer(*text(0), number(1)));
  }
  if (method == QLatin1String("ToggleList") && count(0)) return asVariant(control->toggleList());
  if (method == QLatin1String("Quit") && count(0)) return asVariant(control->quit());
  return malformed(method);
}

QByteArray encodeSocketRequest(const QString& method, const QVariantList& arguments) {
  QJsonObject request{{QStringLiteral("method"), method},
                      {QStringLiteral("arguments"), QJsonArray::fromVariantList(arguments)}};
  return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

QByteArray answerSocketRequest(RemoteControl* control, const QByteArray& request) {
  const QJsonObject object = QJsonDocument::fromJson(request).object();
  const QString method = object.value(QStringLiteral("method")).toString();
  const RemoteResult<QVariant> result = dispatch(
      control, method, object.value(QStringLiteral("arguments")).toArray().toVariantList());
  QJsonObject answer;
  if (!result.ok()) {
    answer[QStringLiteral("error")] = errorName(result.failure().error);
    answer[QStringLiteral("message")] = QString::fromStdString(result.failure().message);
  } else if (result.value().canConvert<QList<BusTimer>>()) {
    QJsonArray timers;
    for (const BusTimer& timer : result.value().value<QList<BusTimer>>()) {
      timers.append(QJsonArray{timer.id, timer.title, timer.fireDate, timer.createdAt});
    }
    answer[QStringLiteral("result")] = timers;
  } else {
    answer[QStringLiteral("result")] = QJsonValue::fromVariant(result.value());
  }
  return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

RemoteResult<QVariant> decodeSocketAnswer(const QByteArray& line) {
  const QJsonObject answer = QJsonDocument::fromJson(line).object();
  if (answer.contains(QStringLiteral("error"))) {
    return RemoteFailure{errorFromName(answer.value(QStringLiteral("error")).toString()),
                         answer.value(QStringLiteral("message")).toString().toStdString()};
  }
  if (!answer.contains(QStringLiteral("result"))) {
    return RemoteFailure{RemoteError::unreachable, "Brindlecap ответил непонятно."};
  }
  const QJsonValue result = answer.value(QStringLiteral("result"));
  if (!result.isArray()) return result.toVariant();
  QList<BusTimer> timers;
  for (const QJsonValue& entry : result.toArray()) {
    const QJsonArray fields = entry.toArray();
    timers.append({fields.at(0).toString(), fields.at(1).toString(), fields.at(2).toDouble(),
                   fields.at(3).toDouble()});
  }
  return QVariant::fromValue(timers);
}

}  // namespace brindlecap::remote
