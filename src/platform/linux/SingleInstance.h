#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace brindlecap {

class LocalSocketServer;

// One instance per user: the timers file is per user, so a second process must not run beside the
// first. The session bus name `appId` is the preferred channel; an exclusive lock file in
// `lockDirectory` ($XDG_RUNTIME_DIR; when empty or not private, a 0700 folder of ours in /tmp)
// decides without a bus, and a local socket (0600) beside it carries the activation. Both are
// released by the kernel when a process dies.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // Needs a QCoreApplication (the bus connection lives in Qt's D-Bus thread).
  explicit SingleInstance(QString appId, QString lockDirectory, QObject* parent = nullptr);
  ~SingleInstance() override;

  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Further D-Bus interfaces beside Activate: `attach` receives the object exported at
  // objectPath() and parents its QDBusAbstractAdaptors to it. Call before claim().
  void setBusAdaptors(std::function<void(QObject*)> attach);
  // Answers the socket's other requests, one line each (without its line break); the answer is
  // sent back as one line. Call before claim().
  void setRequestHandler(std::function<QByteArray(const QByteArray&)> handler);

  // True when this process is the first instance; it then stays reachable until destroyed.
  // When no channel can be used at all (no bus, lock file unusable) it answers true: running
  // twice is better than not running.
  bool claim();
  // For a process whose claim() answered false: asks the first instance to show itself. True when
  // the first instance acknowledged the request.
  bool activateRunningInstance();

  // "<dir>/<appId>.lock" and "<dir>/<appId>.socket"; without a usable directory
  // "/tmp/<appId>-<uid>.lock" and ".socket".
  QString lockFilePath() const;
  QString socketPath() const;
  // "/org/brindlecap/Brindlecap" for "org.brindlecap.Brindlecap".
  QString objectPath() const;

 signals:
  // Another instance asked us to show ourselves; delivered on the event loop.
  void activationRequested();

 private:
  enum class BusClaim { Registered, OwnedByOther, Unavailable };
  enum class LockClaim { Acquired, HeldByOther, Unavailable };

  BusClaim claimBusName();
  LockClaim claimLockFile();
  void releaseBusName();
  void listenForActivations();
  bool activateOverBus();
  bool activateOverSocket();

  std::function<void(QObject*)> attachAdaptors_;
  std::function<QByteArray(const QByteArray&)> requestHandler_;
  QString appId_;
  QString baseName_;  // lock and socket path without the extension
  bool ownsBusName_ = false;
  bool otherOwnsBusName_ = false;
  int lockFd_ = -1;
  LocalSocketServer* server_ = nullptr;
};

}  // namespace brindlecap
