#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>

#include "platform/RemoteControl.h"

namespace brindlecap {

// The asking side of the remote control: each request goes to the running instance over one
// transport and waits for its answer (a bounded time).
class RemoteControlClient : public RemoteControl {
 public:
  using Call =
      std::function<RemoteResult<QVariant>(const QString& method, const QVariantList& arguments)>;
  explicit RemoteControlClient(Call call);

  // Method calls on `service`'s org.brindlecap.Brindlecap1 at `path`.
  static Call busCall(QDBusConnection bus, QString service, QString path);
  // One JSON line per connection to the single-instance socket at `socketPath`.
  static Call socketCall(QString socketPath);

  RemoteResult<std::string> addTimer(double seconds, const std::string& title) override;
  RemoteResult<std::vector<RemoteTimer>> listTimers() override;
  RemoteResult<Done> removeTimer(const std::string& id) override;
  RemoteResult<Done> snoozeTimer(const std::string& id, double seconds) override;
  RemoteResult<Done> extendTimer(const std::string& id, double seconds) override;
  RemoteResult<Done> toggleList() override;
  RemoteResult<Done> quit() override;

 private:
  RemoteResult<Done> request(const char* method, const QVariantList& arguments);
  Call call_;
};

// Finds the running instance of `appId`: over the session bus when it owns its name there,
// else over the single-instance socket in `runtimeDirectory`. Needs a QCoreApplication.
class LocalRemoteInstance : public RemoteInstance {
 public:
  // `program` is started, without arguments, when launch() is asked for.
  LocalRemoteInstance(QString appId, QString runtimeDirectory, QString program);
  ~LocalRemoteInstance() override;

  RemoteControl* connect() override;
  // Starts `program` in a session of its own, its output going nowhere (so a caller reading our
  // output is not kept waiting by it), and waits up to 15 s for it to answer.
  RemoteControl* launch() override;
  bool waitUntilGone() override;

 private:
  QString appId_;
  QString socketPath_;
  QString objectPath_;
  QString program_;
  std::unique_ptr<RemoteControlClient> client_;
};

}  // namespace brindlecap
