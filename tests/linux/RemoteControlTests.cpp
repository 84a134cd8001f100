#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QPointer>

#include <cmath>
#include <functional>
#include <future>
#include <memory>

#include "platform/linux/LocalSocket.h"
#include "platform/linux/RemoteControlBusAdaptor.h"
#include "platform/linux/RemoteControlClient.h"
#include "platform/linux/RemoteControlProtocol.h"
#include "support/PrivateBus.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

const QString kService = QStringLiteral("org.brindlecap.Brindlecap");
const QString kPath = QStringLiteral("/org/brindlecap/Brindlecap");

// The application's side, recording each request as a line ("snooze ID 60") and answering
// every one with `failure` while it is set.
class RecordingControl : public RemoteControl {
 public:
  RemoteResult<std::string> addTimer(double seconds, const std::string& title) override {
    return answer("add " + number(seconds) + " " + title, std::string("NEW-ID"));
  }
  RemoteResult<std::vector<RemoteTimer>> listTimers() override { return answer("list", timers); }
  RemoteResult<Done> removeTimer(const std::string& id) override {
    return answer("remove " + id, Done{});
  }
  RemoteResult<Done> snoozeTimer(const std::string& id, double seconds) override {
    return answer("snooze " + id + " " + number(seconds), Done{});
  }
  RemoteResult<Done> extendTimer(const std::string& id, double seconds) override {
    return answer("extend " + id + " " + number(seconds), Done{});
  }
  RemoteResult<Done> toggleList() override { return answer("toggle", Done{}); }
  RemoteResult<Done> quit() override { return answer("quit", Done{}); }

  std::vector<std::string> calls;
  std::optional<RemoteFailure> failure;
  std::vector<RemoteTimer> timers;

 private:
  static std::string number(double value) {
    return std::isnan(value) ? "nan" : std::to_string(static_cast<long long>(value));
  }
  template <typename T>
  RemoteResult<T> answer(std::string call, T value) {
    calls.push_back(std::move(call));
    if (failure) return *failure;
    return value;
  }
};

class RemoteControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    if (!bus.started()) GTEST_SKIP() << "no dbus-daemon";
    server = bus.connect();
    client = bus.connect();
    host = std::make_unique<QObject>();
    adaptor = new RemoteControlBusAdaptor(host.get(), server, [this] { return target; });
    ASSERT_TRUE(server.registerObject(kPath, host.get(), QDBusConnection::ExportAdaptors));
    ASSERT_TRUE(server.registerService(kService));
    ASSERT_TRUE(socketServer.listen(socketPath));
  }
  void TearDown() override {
    if (server.isConnected()) server.unregisterObject(kPath);
  }

  // The command line blocks while it waits; here the same thread must also serve the call.
  template <typename Call>
  auto fromAnotherThread(Call call) {
    auto answer = std::async(std::launch::async, call);
    testing::runEventsUntil(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return answer.get();
  }

  // Both ways of reaching the instance: over the bus and over the socket.
  std::vector<std::pair<const char*,
                        std::function<RemoteResult<QVariant>(const QString&, const QVariantList&)>>>
  transports() {
    const auto viaBus = RemoteControlClient::busCall(client, kService, kPath);
    const auto viaSocket = RemoteControlClient::socketCall(socketPath);
    return {{"bus",
             [this, viaBus](const QString& method, const QVariantList& arguments) {
               return fromAnotherThread([&] { return viaBus(method, arguments); });
             }},
            {"socket", [this, viaSocket](const QString& method, const QVariantList& arguments) {
               return fromAnotherThread([&] { return viaSocket(method, arguments); });
             }}};
  }

  testing::PrivateBus bus;
  QDBusConnection server{QString()};
  QDBusConnection client{QString()};
  std::unique_ptr<QObject> host;
  QPointer<RemoteControlBusAdaptor> adaptor;
  RecordingControl control;
  RemoteControl* target = &control;
  testing::TemporaryDirectory folder;
  QString socketPath = QString::fromStdString(folder / "control.socket");
  LocalSocketServer socketServer{[this](const QByteArray& request) {
    return std::optional(remote::answerSocketRequest(target, request));
  }};
};

TEST_F(RemoteControlTest, EveryRequestReachesTheApplication) {
  control.timers = {{"A", "Чай", 800000000.5, 799999000.25}, {"B", "", 800000600, 799999999}};
  for (const auto& [name, call] : transports()) {
    control.calls.clear();
    RemoteControlClient remote(call);
    const auto id = remote.addTimer(90, "Чай с мятой");
    ASSERT_TRUE(id.ok()) << name << ": " << id.failure().message;
    EXPECT_EQ(id.value(), "NEW-ID");
    const auto listed = remote.listTimers();
    ASSERT_TRUE(listed.ok()) << name;
    EXPECT_EQ(listed.value(), control.timers) << name;
    EXPECT_TRUE(remote.removeTimer("A").ok());
    EXPECT_TRUE(remote.snoozeTimer("A", 600).ok());
    EXPECT_TRUE(remote.extendTimer("B", 300).ok());
    EXPECT_TRUE(remote.toggleList().ok());
    EXPECT_TRUE(remote.quit().ok());
    EXPECT_EQ(control.calls,
              (std::vector<std::string>{"add 90 Чай с мятой", "list", "remove A", "snooze A 600",
                                        "extend B 300", "toggle", "quit"}))
        << name;
  }
}

TEST_F(RemoteControlTest, FailuresArriveAsTheInterfacesNamedErrors) {
  const std::vector<std::pair<RemoteError, QString>> errors{
      {RemoteError::notFound, QStringLiteral("org.brindlecap.Brindlecap1.Error.NotFound")},
      {RemoteError::invalidDuration,
       QStringLiteral("org.brindlecap.Brindlecap1.Error.InvalidDuration")},
      {RemoteError::invalidArgument,
       QStringLiteral("org.brindlecap.Brindlecap1.Error.InvalidArgument")},
  };
  for (const auto& [error, errorName] : errors) {
    control.failure = RemoteFailure{error, "Таймера нет."};
    const QDBusMessage reply = fromAnotherThread([&] {
      return client.call(QDBusMessage::createMethodCall(
                             kService, kPath, QStringLiteral("org.brindlecap.Brindlecap1"),
                             QStringLiteral("RemoveTimer"))
                         << QStringLiteral("X"));
    });
    EXPECT_EQ(reply.errorName(), errorName);
    EXPECT_EQ(reply.errorMessage(), QStringLiteral("Таймера нет."));
    for (const auto& [name, call] : transports()) {
      const auto result = RemoteControlClient(call).extendTimer("X", 60);
      ASSERT_FALSE(result.ok()) << name;
      EXPECT_EQ(result.failure().error, error) << name;
      EXPECT_EQ(result.failure().message, "Таймера нет.") << name;
    }
  }

  // A malformed request never reaches the application. A duration that is not a number fails
  // the bus's own type check, and arrives from the socket as NaN for the application to refuse.
  control.failure.reset();
  control.calls.clear();
  for (const auto& [name, call] : transports()) {
    call(QStringLiteral("AddTimer"), {QStringLiteral("soon"), QStringLiteral("x")});
    EXPECT_FALSE(call(QStringLiteral("Format"), {}).ok()) << name;
  }
  EXPECT_EQ(control.calls, (std::vector<std::string>{"add nan x"}));

  // Still starting: nothing to ask yet.
  target = nullptr;
  for (const auto& [name, call] : transports()) {
    const auto result = RemoteControlClient(call).toggleList();
    ASSERT_FALSE(result.ok()) << name;
    EXPECT_EQ(result.failure().error, RemoteError::unreachable) << name;
  }
}

TEST_F(RemoteControlTest, ChangesAreSignalledAndTheInterfaceIntrospects) {
  // Any zero-argument slot will do as a receiver: this one makes the signal's arrival visible.
  auto* receiver = new QObject;
  QPointer<QObject> watch(receiver);
  ASSERT_TRUE(client.connect(kService, kPath, QStringLiteral("org.brindlecap.Brindlecap1"),
                             QStringLiteral("TimersChanged"), receiver, SLOT(deleteLater())));
  emit adaptor->TimersChanged();
  EXPECT_TRUE(testing::runEventsUntil([&] { return watch.isNull(); }));

  const QDBusMessage reply = fromAnotherThread([&] {
    return client.call(QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect")));
  });
  const QString xml = reply.arguments().value(0).toString();
  for (const char* expected :
       {"<interface name=\"org.brindlecap.Brindlecap1\">", "<method name=\"AddTimer\">",
        "<arg name=\"timers\" type=\"a(ssdd)\" direction=\"out\"/>",
        "<method name=\"SnoozeTimer\">", "<method name=\"ExtendTimer\">",
        "<method name=\"ToggleList\"/>", "<method name=\"Quit\"/>",
        "<signal name=\"TimersChanged\"/>"}) {
    EXPECT_TRUE(xml.contains(QLatin1String(expected))) << expected;
  }
}

}  // namespace
}  // namespace brindlecap
