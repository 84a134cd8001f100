#include "platform/linux/FreedesktopNotificationCenter.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QFile>
#include <QIcon>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <set>

#include "support/FakeEnvironment.h"
#include "support/PrivateBus.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

using testing::runEventsUntil;

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr char kCategory[] = "BRINDLECAP_TIMER_COMPLETED";
constexpr char kSnooze[] = "BRINDLECAP_QUICK_SNOOZE";

struct NotifyCall {
  std::string appIcon, summary, body;
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
      for (const char* value : {"stand-in", "", "1", "1.2"}) reply << value;
    } else if (message.member() == QLatin1String("Notify")) {
      const auto text = [&](int i) { return a[i].toString().toStdString(); };
      NotifyCall& call = notifies.emplace_back(
          NotifyCall{text(2), text(3), text(4), a[1].toUInt(), {}, {}, a[7].toInt()});
      for (const QString& action : a[5].toStringList())
        call.actions.push_back(action.toStdString());
      const QVariantMap hints = qdbus_cast<QVariantMap>(a[6].value<QDBusArgument>());
      for (auto [key, v] : hints.asKeyValueRange()) {
        const QString value =
            v.typeId() == QMetaType::UChar ? QString::number(v.toInt()) : v.toString();
        call.hints.insert((key + '=' + value).toStdString());
      }
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

  QStringList capabilities{"actions", "body"};
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
  void SetUp() override {
    if (!bus.started()) GTEST_SKIP() << "no dbus-daemon";
    serverBus = bus.connect();
    clientBus = bus.connect();
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
    ASSERT_TRUE(runEventsUntil([&] { return server->notifies.size() == notifies; }));
    roundTrip();  // the server answered Notify before this, so the centre now knows the id
  }
  // Once a call to the server is answered, everything it sent before has arrived.
  void roundTrip() {
    bool answered = false;
    centre->getAuthorizationStatus([&](auto) { answered = true; });
    ASSERT_TRUE(runEventsUntil([&] { return answered; }));
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
    return {std::move(title), "body", sound, std::move(category), {{"timerID", "A1"}}};
  }

  testing::PrivateBus bus;  // knows no activatable services; outlives what is connected to it
  testing::TemporaryDirectory directory;
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
  // {capabilities, sound on, body, sound hint, the body as posted}
  const std::tuple<QStringList, bool, const char*, const char*, const char*> rows[] = {
      {{"sound"}, true, "a < b & c", "sound-name=alarm-clock-elapsed", "a < b & c"},
      {{"sound", "body-markup"}, false, "a < b & c", "suppress-sound=true", "a &lt; b &amp; c"},
      {{"body-markup"}, true, "<b>", nullptr, "&lt;b&gt;"},
  };
  for (const auto& [capabilities, sound, body, soundHint, postedBody] : rows) {
    server->capabilities = capabilities;
    NotificationContent content = timer("Чай", sound);
    content.body = body;
    add("A1", content);
    time.advance(59);
    centre->postDueRequests();
    EXPECT_EQ(pending(), 1u) << "not due yet";
    postAll(server->notifies.size() + 1);
    EXPECT_EQ(pending(), 0u);
    const NotifyCall& call = server->notifies.back();
    EXPECT_EQ(call.summary, "Чай");
    EXPECT_EQ(call.body, postedBody);
    EXPECT_EQ(call.actions,
              std::vector<std::string>({"default", "", kSnooze, "Отложить на 5 минут"}));
    EXPECT_EQ(call.expireTimeout, -1);
    std::set<std::string> hints{"desktop-entry=org.brindlecap.Brindlecap", "urgency=1"};
    if (soundHint) hints.insert(soundHint);
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
  ASSERT_TRUE(runEventsUntil([&] { return server->open.empty(); }));
  EXPECT_EQ(server->closed, std::vector<uint>{id});
}

TEST_F(FreedesktopNotificationCenterTest, ServerSignalsForOurNotificationsOnlyBecomeResponses) {
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
      if (sent.argument.typeId() == QMetaType::UInt)
        server->signal("NotificationClosed", target, sent.argument.toUInt());
      else
        server->signal("ActionInvoked", target, sent.argument.toString());
    }
    // Signals arrive in order: once this close is seen, so were the ones before it.
    server->open.clear();
    server->signal("NotificationClosed", id, 3u);
    ASSERT_TRUE(runEventsUntil([&] { return delivered() == 0; })) << identifier;
    std::vector<std::string> actions;
    for (const NotificationResponse& response : delegate->responses) {
      actions.push_back(response.actionIdentifier);
      EXPECT_EQ(response.requestIdentifier, identifier);
      EXPECT_EQ(response.content.userInfo, timer("").userInfo);
    }
    EXPECT_EQ(actions, row.responses) << identifier;
    const auto closedByUs = [&] { return std::ranges::count(server->closed, id) > 0; };
    if (row.withdrawn) runEventsUntil(closedByUs);
    EXPECT_EQ(closedByUs(), row.withdrawn) << identifier;
  }

  // A restarted server numbers from 1 again: its ids are another application's, not ours.
  delegate->responses.clear();
  add("R", timer("Чай"));
  postAll(std::size(rows) + 1);
  const uint id = *server->open.begin();
  serverBus.interface()->unregisterService(kService);
  serverBus.interface()->registerService(kService);
  ASSERT_TRUE(runEventsUntil([&] { return delivered() == 0; }));
  server->signal("NotificationClosed", id, 2u);
  server->signal("ActionInvoked", id, QString::fromLatin1(kSnooze));
  roundTrip();
  EXPECT_TRUE(delegate->responses.empty());
}

TEST_F(FreedesktopNotificationCenterTest, AuthorizedOnlyWhileAServerAnswers) {
  for (const bool serverRuns : {false, true}) {
    if (serverRuns) startServer();
    createCentre();
    std::optional<NotificationAuthorizationStatus> status;
    std::optional<bool> granted;
    centre->getAuthorizationStatus([&](auto s) { status = s; });
    centre->requestAuthorization([&](bool g) { granted = g; });
    ASSERT_TRUE(runEventsUntil([&] { return status && granted; }));
    using enum NotificationAuthorizationStatus;
    EXPECT_EQ(*status, serverRuns ? authorized : denied);
    EXPECT_EQ(*granted, serverRuns);
    if (!serverRuns) {
      // Without a server, a request that falls due is dropped rather than kept as delivered.
      add("A1", timer("Чай"));
      time.advance(61);
      centre->postDueRequests();
      EXPECT_EQ(pending(), 0u);
      EXPECT_TRUE(runEventsUntil([&] { return delivered() == 0; }));
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
