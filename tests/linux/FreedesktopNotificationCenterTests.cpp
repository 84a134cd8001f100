#include "platform/linux/FreedesktopNotificationCenter.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QFile>
#include <QIcon>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <set>

#include "support/FakeEnvironment.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr char kCategory[] = "BRINDLECAP_TIMER_COMPLETED";
constexpr char kSnooze[] = "BRINDLECAP_QUICK_SNOOZE";

template <typename Condition>
bool waitUntil(Condition condition) {
  const QDeadlineTimer deadline(10000);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return true;
}

struct NotifyCall {
  std::string appName, appIcon, summary, body;
  uint replacesId;
  std::vector<std::string> actions;
  std::set<std::string> hints;  // "name=value"
  int expireTimeout;
};

// Just enough of a notification server to record what it is asked and to send its signals.
class StandInServer : public QDBusVirtualObject {
 public:
  explicit StandInServer(QDBusConnection bus) : bus_(std::move(bus)) {}
  bool start() {
    return bus_.registerVirtualObject(kPath, this) &&
           bus_.interface()->registerService(kService).value() ==
               QDBusConnectionInterface::ServiceRegistered;
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
    const QList<QVariant> a = message.arguments();
    QVariantList reply;
    if (message.member() == QLatin1String("GetCapabilities")) {
      reply << capabilities;
    } else if (message.member() == QLatin1String("GetServerInformation")) {
      reply << QStringLiteral("stand-in") << QString() << QStringLiteral("1")
            << QStringLiteral("1.2");
    } else if (message.member() == QLatin1String("Notify")) {
      NotifyCall call{a[0].toString().toStdString(),
                      a[2].toString().toStdString(),
                      a[3].toString().toStdString(),
                      a[4].toString().toStdString(),
                      a[1].toUInt(),
                      {},
                      {},
                      a[7].toInt()};
      for (const QString& action : a[5].toStringList())
        call.actions.push_back(action.toStdString());
      const QVariantMap hints = qdbus_cast<QVariantMap>(a[6].value<QDBusArgument>());
      for (auto hint = hints.begin(); hint != hints.end(); ++hint) {
        const QVariant& v = hint.value();
        call.hints.insert(
            (hint.key() + u'=' +
             (v.typeId() == QMetaType::UChar ? QString::number(v.toInt()) : v.toString()))
                .toStdString());
      }
      notifies.push_back(std::move(call));
      const uint id = open.contains(a[1].toUInt()) ? a[1].toUInt() : nextId++;
      open.insert(id);
      reply << QVariant::fromValue(id);
    } else if (message.member() == QLatin1String("CloseNotification")) {
      closed.push_back(a[0].toUInt());
      if (open.erase(a[0].toUInt())) signal("NotificationClosed", a[0].toUInt(), 3u);
    } else {
      return false;
    }
    bus_.send(message.createReply(reply));
    return true;
  }
  template <typename... Args>
  void signal(const char* name, Args... arguments) {
    QDBusMessage message = QDBusMessage::createSignal(kPath, kService, QString::fromLatin1(name));
    (message << ... << QVariant::fromValue(arguments));
    bus_.send(message);
  }

  QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
  std::vector<NotifyCall> notifies;
  std::vector<uint> closed;
  std::set<uint> open;
  uint nextId = 41;

 private:
  QDBusConnection bus_;
};

class RecordingDelegate : public NotificationCenterDelegate {
 public:
  bool shouldPresent(const NotificationContent& content) override {
    return content.title != "declined";
  }
  void didReceive(const NotificationResponse& response, std::function<void()> completion) override {
    responses.push_back(response);
    completion();
  }
  std::vector<NotificationResponse> responses;
};

class FreedesktopNotificationCenterTest : public ::testing::Test {
 protected:
  // A bus of the test's own, which knows no activatable services.
  void SetUp() override {
    testing::ensureQtApplication();
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
    std::ofstream(directory / "bus.conf")
        << "<busconfig><type>session</type><listen>unix:dir=" << directory.path().string()
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
           "</policy></busconfig>\n";
    daemon.start(program, {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                           QString::fromStdString("--config-file=" + directory / "bus.conf")});
    ASSERT_TRUE(waitUntil([&] { return daemon.canReadLine(); }));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    static int connections = 0;
    ++connections;
    serverBus =
        QDBusConnection::connectToBus(address, QStringLiteral("server-%1").arg(connections));
    clientBus =
        QDBusConnection::connectToBus(address, QStringLiteral("client-%1").arg(connections));
  }
  void TearDown() override {
    centre.reset();
    server.reset();
    for (const QDBusConnection* bus : {&serverBus, &clientBus}) {
      QDBusConnection::disconnectFromBus(bus->name());
    }
    daemon.terminate();
    daemon.waitForFinished();
  }
  void startServer() {
    server = std::make_unique<StandInServer>(serverBus);
    ASSERT_TRUE(server->start());
  }
  void createCentre() {
    centre = std::make_unique<FreedesktopNotificationCenter>(time, environment, clientBus);
    centre->setDelegate(delegate);
    centre->setNotificationCategories(
        {{"OTHER", {}, false}, {kCategory, {{kSnooze, "Отложить на 5 минут"}}, true}});
  }
  void add(const std::string& identifier, NotificationContent content, double interval = 60) {
    std::optional<std::string> error = "not called";
    centre->add({identifier, std::move(content), interval}, [&](auto e) { error = e; });
    EXPECT_EQ(error, std::nullopt);
  }
  // Makes everything held due and waits until the server has answered `notifies` posts in all.
  void postAll(std::size_t notifies) {
    time.advance(3600);
    centre->postDueRequests();
    ASSERT_TRUE(waitUntil([&] { return server->notifies.size() == notifies; }));
    // A round trip: the server answered Notify before this, so the centre now knows the id.
    bool answered = false;
    centre->getAuthorizationStatus([&](auto) { answered = true; });
    ASSERT_TRUE(waitUntil([&] { return answered; }));
  }
  std::size_t delivered() const {
    std::size_t count = 99;
    centre->getDeliveredNotificationCount([&](std::size_t n) { count = n; });
    return count;
  }
  std::size_t pending() const {
    std::size_t count = 99;
    centre->getPendingRequestCount([&](std::size_t n) { count = n; });
    return count;
  }
  static NotificationContent timer(std::string title, bool sound = false,
                                   std::string category = kCategory) {
    return {std::move(title),
            "Запланированное время наступило.",
            sound,
            std::move(category),
            {{"timerID", "A1"}, {"fireDate", 1.5e9}}};
  }

  testing::TemporaryDirectory directory;
  QProcess daemon;
  QDBusConnection serverBus{QString()};
  QDBusConnection clientBus{QString()};
  testing::VirtualTime time;
  testing::FakeEnvironment environment;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::unique_ptr<StandInServer> server;
  std::unique_ptr<FreedesktopNotificationCenter> centre;
};

TEST_F(FreedesktopNotificationCenterTest, PostsWhenDueWithTextActionsAndHintsTheServerSupports) {
  startServer();
  createCentre();
  const std::string always[] = {"desktop-entry=org.brindlecap.Brindlecap", "urgency=1"};
  const struct {
    QStringList capabilities;
    bool playsSound;
    const char* body;
    const char* soundHint;
    const char* postedBody;
  } rows[] = {
      {{"sound"}, true, "a < b & c", "sound-name=alarm-clock-elapsed", "a < b & c"},
      {{"sound", "body-markup"}, false, "a < b & c", "suppress-sound=true", "a &lt; b &amp; c"},
      {{"body-markup"}, true, "<b>", nullptr, "&lt;b&gt;"},
  };
  for (const auto& row : rows) {
    server->capabilities = row.capabilities;
    NotificationContent content = timer("Чай", row.playsSound);
    content.body = row.body;
    add("A1", content);
    time.advance(59);
    centre->postDueRequests();
    EXPECT_EQ(pending(), 1u) << "not due yet";
    postAll(&row - rows + 1);
    EXPECT_EQ(pending(), 0u);
    const NotifyCall& call = server->notifies.back();
    EXPECT_EQ(call.appName, "Brindlecap");
    EXPECT_EQ(call.summary, "Чай");
    EXPECT_EQ(call.body, row.postedBody);
    EXPECT_EQ(call.actions,
              std::vector<std::string>({"default", "", kSnooze, "Отложить на 5 минут"}));
    EXPECT_EQ(call.expireTimeout, -1);
    std::set<std::string> hints(std::begin(always), std::end(always));
    if (row.soundHint) hints.insert(row.soundHint);
    EXPECT_EQ(call.hints, hints);
    centre->removeDeliveredNotifications({"A1"});
  }
}

TEST_F(FreedesktopNotificationCenterTest, IdentifiersReplaceHeldAndShownNotifications) {
  startServer();
  createCentre();
  add("A1", timer("first"));
  add("A1", timer("second"));
  add("B2", timer("declined"));  // the delegate does not want it shown
  add("C3", timer("removed"));
  centre->removePendingRequests({"C3"});
  EXPECT_EQ(pending(), 2u);
  postAll(1);
  EXPECT_EQ(server->notifies[0].summary, "second");
  EXPECT_EQ(server->notifies[0].replacesId, 0u);
  ASSERT_EQ(server->open.size(), 1u);
  const uint id = *server->open.begin();

  add("A1", timer("third"));
  postAll(2);
  EXPECT_EQ(server->notifies[1].replacesId, id);
  EXPECT_EQ(delivered(), 1u);

  centre->removeDeliveredNotifications({"A1"});
  EXPECT_EQ(delivered(), 0u);
  ASSERT_TRUE(waitUntil([&] { return server->open.empty(); }));
  EXPECT_EQ(server->closed, std::vector<uint>{id});
}

TEST_F(FreedesktopNotificationCenterTest, ServerSignalsForOurNotificationsBecomeResponses) {
  startServer();
  createCentre();
  // An action key (ActionInvoked) or a closing reason (NotificationClosed), for our notification
  // or for another application's on the same server.
  struct Sent {
    QVariant argument;
    bool foreign = false;
  };
  const struct {
    const char* category;
    std::vector<Sent> sent;
    std::vector<std::string> responses;
    bool withdrawn = false;  // closed on the server by us: a click acknowledges it
  } rows[] = {
      {kCategory, {{kSnooze}}, {kSnooze}},
      {kCategory, {{"default"}}, {"default"}, true},
      {kCategory, {{"unknown"}}, {}},
      {kCategory, {{2u}}, {"dismiss"}},
      {kCategory, {{1u}}, {}},  // expired
      {kCategory, {{kSnooze}, {2u}}, {kSnooze}},
      {"OTHER", {{2u}}, {}},
      {kCategory, {{"default", true}, {2u, true}}, {}},
  };
  for (const auto& row : rows) {
    delegate->responses.clear();
    const std::string identifier = "T" + std::to_string(&row - rows);
    add(identifier, timer("Чай", false, row.category));
    postAll(&row - rows + 1);
    ASSERT_EQ(server->open.size(), 1u);
    const uint id = *server->open.begin();
    for (const Sent& sent : row.sent) {
      const uint target = sent.foreign ? id + 100 : id;
      if (sent.argument.typeId() == QMetaType::UInt) {
        server->signal("NotificationClosed", target, sent.argument.toUInt());
      } else {
        server->signal("ActionInvoked", target, sent.argument.toString());
      }
    }
    // Signals arrive in order: once this close is seen, so were the ones before it.
    server->open.clear();
    server->signal("NotificationClosed", id, 3u);
    ASSERT_TRUE(waitUntil([&] { return delivered() == 0; })) << identifier;
    std::vector<std::string> actions;
    for (const NotificationResponse& response : delegate->responses) {
      actions.push_back(response.actionIdentifier);
      EXPECT_EQ(response.requestIdentifier, identifier);
      EXPECT_EQ(response.content.userInfo, timer("").userInfo);
    }
    EXPECT_EQ(actions, row.responses) << identifier;
    const auto closedByUs = [&] {
      return std::find(server->closed.begin(), server->closed.end(), id) != server->closed.end();
    };
    if (row.withdrawn) {
      EXPECT_TRUE(waitUntil(closedByUs)) << identifier;
    }
    EXPECT_EQ(closedByUs(), row.withdrawn) << identifier;
  }
}

TEST_F(FreedesktopNotificationCenterTest, ARestartedServersIdsAreNotTakenForOurs) {
  startServer();
  createCentre();
  add("T", timer("Чай"));
  postAll(1);
  const uint id = *server->open.begin();
  ASSERT_EQ(delivered(), 1u);

  // The server goes away and comes back; it will number from 1 again.
  serverBus.interface()->unregisterService(kService);
  serverBus.interface()->registerService(kService);
  ASSERT_TRUE(waitUntil([&] { return delivered() == 0; }));
  server->signal("NotificationClosed", id, 2u);
  server->signal("ActionInvoked", id, QString::fromLatin1(kSnooze));
  bool answered = false;
  centre->getAuthorizationStatus([&](auto) { answered = true; });
  ASSERT_TRUE(waitUntil([&] { return answered; }));
  EXPECT_TRUE(delegate->responses.empty()) << "another application's notification now";
}

TEST_F(FreedesktopNotificationCenterTest, AuthorizedOnlyWhileAServerAnswers) {
  for (const bool serverRuns : {false, true}) {
    if (serverRuns) startServer();
    createCentre();
    std::optional<NotificationAuthorizationStatus> status;
    std::optional<bool> granted;
    centre->getAuthorizationStatus([&](auto s) { status = s; });
    centre->requestAuthorization([&](bool g) { granted = g; });
    ASSERT_TRUE(waitUntil([&] { return status && granted; }));
    EXPECT_EQ(*status, serverRuns ? NotificationAuthorizationStatus::authorized
                                  : NotificationAuthorizationStatus::denied);
    EXPECT_EQ(*granted, serverRuns);
    if (!serverRuns) {
      // Without a server, a request that falls due is dropped rather than kept as delivered.
      add("A1", timer("Чай"));
      time.advance(61);
      centre->postDueRequests();
      EXPECT_EQ(pending(), 0u);
      EXPECT_TRUE(waitUntil([&] { return delivered() == 0; }));
    }
  }
}

// Run from the build tree, the icon theme has no icon of the application's name: the notification
// then names the icon's file, which the build keeps where an installation would put it.
TEST_F(FreedesktopNotificationCenterTest, CarriesTheApplicationIconByThemeNameOrFile) {
  startServer();
  createCentre();
  add("A1", timer("Чай"));
  postAll(1);
  const QString icon = QString::fromStdString(server->notifies.back().appIcon);
  if (QIcon::hasThemeIcon(QStringLiteral(BRINDLECAP_APP_ID))) {
    EXPECT_EQ(icon, QStringLiteral(BRINDLECAP_APP_ID));
    return;
  }
  const QUrl url(icon);
  ASSERT_TRUE(url.isLocalFile()) << icon.toStdString();
  EXPECT_EQ(url.fileName(), QStringLiteral(BRINDLECAP_APP_ID ".svg"));
  QFile file(url.toLocalFile());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << icon.toStdString();
  EXPECT_TRUE(file.readAll().contains("<svg"));
}

TEST_F(FreedesktopNotificationCenterTest, SettingsCanBeOpenedOnlyWhereTheDesktopsProgramIsFound) {
  createCentre();
  const std::string program = directory / "xfce4-notifyd-config";
  std::ofstream(program) << "#!/bin/sh\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  environment.variables["PATH"] = directory.path().string();
  for (const auto& [desktop, expected] : {std::pair{"XFCE", true}, {"GNOME", false}, {"", false}}) {
    environment.variables["XDG_CURRENT_DESKTOP"] = desktop;
    EXPECT_EQ(centre->canOpenSystemSettings(), expected) << desktop;
  }
}

}  // namespace
}  // namespace brindlecap
