#include "platform/linux/RemoteControlClient.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

#include "platform/linux/LocalSocket.h"
#include "platform/linux/RemoteControlProtocol.h"
#include "platform/linux/SingleInstance.h"

namespace brindlecap {

namespace {

constexpr int kAnswerTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 1000;
constexpr int kLaunchTimeoutMs = 15000;
constexpr int kQuitTimeoutMs = 10000;
constexpr unsigned long kPollMs = 100;

RemoteFailure noAnswer() {
  return {RemoteError::unreachable, "Brindlecap не ответил."};
}

// fork + setsid + exec: the child outlives us and has no terminal to lose.
pid_t startDetached(const QString& program) {
  const QByteArray path = QFile::encodeName(program);
  const pid_t child = ::fork();
  if (child != 0) return child;  // the parent, or -1
  ::setsid();
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) ::close(null);
  }
  char* const argv[] = {const_cast<char*>(path.constData()), nullptr};
  ::execv(path.constData(), argv);
  ::_exit(127);
}

}  // namespace

RemoteControlClient::RemoteControlClient(Call call) : call_(std::move(call)) {}

RemoteControlClient::Call RemoteControlClient::busCall(QDBusConnection bus, QString service,
                                                       QString path) {
  remote::registerBusTypes();
  return [bus, service, path](const QString& method,
                              const QVariantList& arguments) mutable -> RemoteResult<QVariant> {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, QLatin1String(remote::kInterface), method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
      const RemoteError error = remote::errorFromName(reply.errorName());
      if (error == RemoteError::unreachable) return noAnswer();
      return RemoteFailure{error, reply.errorMessage().toStdString()};
    }
    if (reply.arguments().isEmpty()) return QVariant();
    const QVariant value = reply.arguments().constFirst();
    if (value.canConvert<QDBusArgument>()) {
      return QVariant::fromValue(qdbus_cast<QList<remote::BusTimer>>(value));
    }
    return value;
  };
}

RemoteControlClient::Call RemoteControlClient::socketCall(QString socketPath) {
  return
      [socketPath](const QString& method, const QVariantList& arguments) -> RemoteResult<QVariant> {
        const auto answer =
            localsocket::exchangeLine(socketPath, remote::encodeSocketRequest(method, arguments),
                                      kConnectTimeoutMs, kAnswerTimeoutMs);
        if (!answer) return noAnswer();
        return remote::decodeSocketAnswer(answer->trimmed());
      };
}

RemoteResult<Done> RemoteControlClient::request(const char* method, const QVariantList& arguments) {
  const auto result = call_(QLatin1String(method), arguments);
  if (!result.ok()) return result.failure();
  return Done{};
}

RemoteResult<std::string> RemoteControlClient::addTimer(double seconds, const std::string& title) {
  const auto result = call_(QStringLiteral("AddTimer"), {seconds, QString::fromStdString(title)});
  if (!result.ok()) return result.failure();
  return result.value().toString().toStdString();
}

RemoteResult<std::vector<RemoteTimer>> RemoteControlClient::listTimers() {
  const auto result = call_(QStringLiteral("ListTimers"), {});
  if (!result.ok()) return result.failure();
  std::vector<RemoteTimer> timers;
  for (const auto& timer : result.value().value<QList<remote::BusTimer>>()) {
    timers.push_back(remote::fromBus(timer));
  }
  return timers;
}

RemoteResult<Done> RemoteControlClient::removeTimer(const std::string& id) {
  return request("RemoveTimer", {QString::fromStdString(id)});
}

RemoteResult<Done> RemoteControlClient::snoozeTimer(const std::string& id, double seconds) {
  return request("SnoozeTimer", {QString::fromStdString(id), seconds});
}

RemoteResult<Done> RemoteControlClient::extendTimer(const std::string& id, double seconds) {
  return request("ExtendTimer", {QString::fromStdString(id), seconds});
}

RemoteResult<Done> RemoteControlClient::toggleList() {
  return request("ToggleList", {});
}

RemoteResult<Done> RemoteControlClient::quit() {
  return request("Quit", {});
}

LocalRemoteInstance::LocalRemoteInstance(QString appId, QString runtimeDirectory, QString program)
    : appId_(std::move(appId)), program_(std::move(program)) {
  const SingleInstance paths(appId_, runtimeDirectory);
  socketPath_ = paths.socketPath();
  objectPath_ = paths.objectPath();
}

LocalRemoteInstance::~LocalRemoteInstance() = default;

RemoteControl* LocalRemoteInstance::connect() {
  client_.reset();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(appId_)) {
    client_ = std::make_unique<RemoteControlClient>(
        RemoteControlClient::busCall(bus, appId_, objectPath_));
    return client_.get();
  }
  // The instance listens on its socket whenever it holds the lock, with or without a bus.
  if (!localsocket::accepts(socketPath_, kConnectTimeoutMs)) return nullptr;
  client_ = std::make_unique<RemoteControlClient>(RemoteControlClient::socketCall(socketPath_));
  return client_.get();
}

RemoteControl* LocalRemoteInstance::launch() {
  const pid_t child = startDetached(program_);
  if (child < 0) return nullptr;
  const QDeadlineTimer deadline(kLaunchTimeoutMs);
  while (!deadline.hasExpired()) {
    if (RemoteControl* control = connect()) return control;
    int status = 0;
    // Gone already: it failed, or found another instance starting at the same moment.
    if (::waitpid(child, &status, WNOHANG) == child) return connect();
    QThread::msleep(kPollMs);
  }
  return nullptr;
}

bool LocalRemoteInstance::waitUntilGone() {
  const QDeadlineTimer deadline(kQuitTimeoutMs);
  while (connect()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(kPollMs);
  }
  return true;
}

}  // namespace brindlecap
