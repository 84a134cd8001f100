#include "platform/linux/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "platform/linux/LocalSocket.h"

namespace brindlecap {

namespace detail {

// The object behind "<object path>" on the bus; moc needs it at namespace scope.
class ActivationAdaptor : public QObject {
  Q_OBJECT

 public:
  explicit ActivationAdaptor(SingleInstance* owner) : QObject(owner), owner_(owner) {}

 public slots:
  Q_SCRIPTABLE void Activate() { emit owner_->activationRequested(); }

 private:
  SingleInstance* owner_;
};

}  // namespace detail

namespace {

constexpr int kReplyTimeoutMs = 5000;
// The first instance starts listening right after it takes the lock; a second instance that
// arrives in between keeps trying to connect for this long.
constexpr int kConnectWindowMs = 2000;
constexpr char kActivateRequest[] = "activate";
constexpr char kActivateAnswer[] = "ok";

}  // namespace

namespace {

// A folder this user owns and nobody else may enter (0700, not a link).
bool isPrivateFolder(const QString& path) {
  struct stat info {};
  return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

}  // namespace

SingleInstance::SingleInstance(QString appId, QString lockDirectory, QObject* parent)
    : QObject(parent), appId_(std::move(appId)) {
  // Another user's process must not reach the lock or the socket: both live in a folder only we
  // can enter. $XDG_RUNTIME_DIR is one by definition, but a wrong one is not trusted.
  QString folder = lockDirectory;
  if (folder.isEmpty() || !isPrivateFolder(folder)) {
    // /tmp is shared by every user: a folder of our own there, made before anyone else could.
    folder = QStringLiteral("/tmp/%1-%2").arg(appId_).arg(::geteuid());
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    // Someone else's folder (or a link) is refused when the lock is claimed: no lock, no socket,
    // and the application runs unreachable rather than exposed.
  }
  baseName_ = folder + QLatin1Char('/') + appId_;
}

SingleInstance::~SingleInstance() {
  // Stop listening before unlocking: closing the server unlinks the socket path, which by then
  // could belong to the next first instance.
  delete server_;
  releaseBusName();
  if (lockFd_ >= 0) ::close(lockFd_);
}

void SingleInstance::setBusAdaptors(std::function<void(QObject*)> attach) {
  attachAdaptors_ = std::move(attach);
}

void SingleInstance::setRequestHandler(std::function<QByteArray(const QByteArray&)> handler) {
  requestHandler_ = std::move(handler);
}

QString SingleInstance::lockFilePath() const {
  return baseName_ + QStringLiteral(".lock");
}

QString SingleInstance::socketPath() const {
  return baseName_ + QStringLiteral(".socket");
}

QString SingleInstance::objectPath() const {
  return QLatin1Char('/') + QString(appId_).replace(QLatin1Char('.'), QLatin1Char('/'));
}

bool SingleInstance::claim() {
  if (ownsBusName_ || lockFd_ >= 0) return true;
  if (claimBusName() == BusClaim::OwnedByOther) return false;
  // The lock is taken even with the bus: an instance started without the bus (or on another
  // session's bus) would otherwise run beside us on the same timers file.
  switch (claimLockFile()) {
    case LockClaim::HeldByOther:
      releaseBusName();
      return false;
    case LockClaim::Acquired:
      listenForActivations();
      return true;
    case LockClaim::Unavailable:
      return true;
  }
  return true;
}

bool SingleInstance::activateRunningInstance() {
  if (otherOwnsBusName_ && activateOverBus()) return true;
  // The first instance listens on the socket whenever it holds the lock, bus or not.
  return activateOverSocket();
}

SingleInstance::BusClaim SingleInstance::claimBusName() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return BusClaim::Unavailable;

  // The object goes up before the name so that nobody who sees the name finds it missing.
  auto* adaptor = new detail::ActivationAdaptor(this);
  if (attachAdaptors_) attachAdaptors_(adaptor);
  if (!bus.registerObject(
          objectPath(), appId_, adaptor,
          QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportAdaptors)) {
    delete adaptor;
    return BusClaim::Unavailable;
  }
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
      bus.interface()->registerService(appId_, QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement);
  if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
    ownsBusName_ = true;
    return BusClaim::Registered;
  }
  bus.unregisterObject(objectPath());
  delete adaptor;
  if (!reply.isValid()) return BusClaim::Unavailable;  // e.g. a bus policy that denies the name
  otherOwnsBusName_ = true;
  return BusClaim::OwnedByOther;
}

void SingleInstance::releaseBusName() {
  if (!ownsBusName_) return;
  ownsBusName_ = false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.interface()) bus.interface()->unregisterService(appId_);
  bus.unregisterObject(objectPath());
}

SingleInstance::LockClaim SingleInstance::claimLockFile() {
  if (!isPrivateFolder(QFileInfo(lockFilePath()).path())) return LockClaim::Unavailable;
  const QByteArray path = QFile::encodeName(lockFilePath());
  // O_CLOEXEC: a child process must not keep the lock after we are gone. O_NOFOLLOW and the owner
  // check: in /tmp another user may have put something there first.
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return LockClaim::Unavailable;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
    ::close(fd);
    return LockClaim::Unavailable;
  }
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? LockClaim::HeldByOther : LockClaim::Unavailable;
  }
  lockFd_ = fd;
  return LockClaim::Acquired;
}

void SingleInstance::listenForActivations() {
  const auto answer = [this](const QByteArray& request) -> std::optional<QByteArray> {
    if (request == kActivateRequest) {
      // Answered first: whatever the activation opens must not keep the caller waiting.
      QMetaObject::invokeMethod(
          this, [this] { emit activationRequested(); }, Qt::QueuedConnection);
      return QByteArray(kActivateAnswer);
    }
    if (requestHandler_) return requestHandler_(request);
    return std::nullopt;
  };
  // The server's default limits: a request carries at most a title of a thousand characters,
  // and silent or non-reading clients are let go.
  server_ = new LocalSocketServer(answer, this);
  // We hold the lock, so a socket file still there was left by an instance that died.
  ::unlink(QFile::encodeName(socketPath()).constData());
  if (!server_->listen(socketPath())) {
    // Still the first instance; only the bus (if any) can reach us.
    delete server_;
    server_ = nullptr;
  }
}

bool SingleInstance::activateOverBus() {
  const QDBusMessage call =
      QDBusMessage::createMethodCall(appId_, objectPath(), appId_, QStringLiteral("Activate"));
  const QDBusMessage reply =
      QDBusConnection::sessionBus().call(call, QDBus::Block, kReplyTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

bool SingleInstance::activateOverSocket() {
  return localsocket::exchangeLine(socketPath(), kActivateRequest, kConnectWindowMs,
                                   kReplyTimeoutMs)
             .value_or(QByteArray())
             .trimmed() == kActivateAnswer;
}

}  // namespace brindlecap

#include "SingleInstance.moc"
