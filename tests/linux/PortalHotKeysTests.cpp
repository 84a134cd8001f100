#include "platform/linux/PortalHotKeys.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>

#include <memory>
#include <vector>

#include "platform/linux/QtMainQueue.h"
#include "reminders/GlobalShortcutManager.h"
#include "support/PrivateBus.h"
#include "support/QtTestApplication.h"

namespace brindlecap {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// Just enough of xdg-desktop-portal: sessions and bindings answered through Request objects'
// Response signals, as the portal documents them, and Activated sent on demand.
class StandInPortal : public QDBusVirtualObject {
 public:
  explicit StandInPortal(QDBusConnection bus) : bus_(std::move(bus)) {}
  bool start() {
    return bus_.registerVirtualObject(kPath, this, QDBusConnection::SubPath) &&
           bus_.interface()->registerService(kService).value() ==
               QDBusConnectionInterface::ServiceRegistered;
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
    const QList<QVariant> a = message.arguments();
    calls.append(message.member());
    if (message.interface() == QLatin1String("org.freedesktop.portal.Session")) {
      closed.append(message.path());
      bus_.send(message.createReply());
      return true;
    }
    if (!offersShortcuts) {
      bus_.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                         QStringLiteral("No such interface")));
      return true;
    }
    if (message.member() == QLatin1String("CreateSession")) {
      const QVariantMap options = qdbus_cast<QVariantMap>(a[0]);
      session = kPath + QStringLiteral("/session/") + sender(message) + QLatin1Char('/') +
                options.value(QStringLiteral("session_handle_token")).toString();
      answer(message, options, 0, {{QStringLiteral("session_handle"), session}});
    } else if (message.member() == QLatin1String("BindShortcuts")) {
      const QDBusArgument shortcuts = a[1].value<QDBusArgument>();
      shortcuts.beginArray();
      while (!shortcuts.atEnd()) {
        QString id;
        QVariantMap properties;
        shortcuts.beginStructure();
        shortcuts >> id >> properties;
        shortcuts.endStructure();
        bound.append({id, properties});
      }
      shortcuts.endArray();
      boundSession = a[0].value<QDBusObjectPath>().path();
      // The user's choice in the portal's dialog: keep the shortcut, or cancel (response 1).
      answer(message, qdbus_cast<QVariantMap>(a[3]), userBindsIt ? 0 : 1,
             {{QStringLiteral("shortcuts"), a[1]}});
    } else {
      return false;
    }
    return true;
  }
  void activate(const QString& sessionPath, const QString& id) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(1)
           << QVariantMap();
    bus_.send(signal);
  }

  bool offersShortcuts = true;
  bool userBindsIt = true;
  QStringList calls;
  QStringList closed;
  QString session;
  QString boundSession;
  QList<QPair<QString, QVariantMap>> bound;

 private:
  static QString sender(const QDBusMessage& message) {
    return message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
  }
  // Replies with the request's handle, then answers on that handle.
  void answer(const QDBusMessage& message, const QVariantMap& options, uint response,
              const QVariantMap& results) {
    const QString request = kPath + QStringLiteral("/request/") + sender(message) +
                            QLatin1Char('/') +
                            options.value(QStringLiteral("handle_token")).toString();
    bus_.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QDBusMessage signal = QDBusMessage::createSignal(
        request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    signal << response << results;
    bus_.send(signal);
  }
  QDBusConnection bus_;
};

class PortalHotKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    if (!bus.started()) GTEST_SKIP() << "no dbus-daemon";
    portal = std::make_unique<StandInPortal>(bus.connect());
    hotKeys = std::make_unique<PortalHotKeys>(bus.connect());
    manager = std::make_unique<GlobalShortcutManager>(*hotKeys, queue);
    manager->onStatusChange = [this](HotKeyStatus status) { answers.push_back(status); };
  }
  void TearDown() override {
    manager.reset();
    hotKeys.reset();
  }
  bool answered() {
    return testing::runEventsUntil([this] { return !answers.empty(); });
  }

  testing::PrivateBus bus;
  QtMainQueue queue;
  std::unique_ptr<StandInPortal> portal;
  std::unique_ptr<PortalHotKeys> hotKeys;
  std::unique_ptr<GlobalShortcutManager> manager;
  std::vector<HotKeyStatus> answers;
  int listOpened = 0;
};

TEST_F(PortalHotKeysTest, BindsInASessionAndOpensTheListWhenActivated) {
  ASSERT_TRUE(portal->start());
  EXPECT_TRUE(
      manager->registerShortcut(GlobalShortcut::defaultShortcut(), [this] { ++listOpened; }));
  EXPECT_EQ(manager->status(), HotKeyStatus::pending) << "the portal may ask its user first";
  ASSERT_TRUE(answered());
  EXPECT_EQ(answers, std::vector{HotKeyStatus::registered});
  EXPECT_EQ(portal->calls,
            (QStringList{QStringLiteral("CreateSession"), QStringLiteral("BindShortcuts")}));
  EXPECT_EQ(portal->boundSession, portal->session);
  ASSERT_EQ(portal->bound.size(), 1);
  EXPECT_EQ(portal->bound[0].first, QStringLiteral("toggle-list"));
  EXPECT_EQ(portal->bound[0].second.value(QStringLiteral("preferred_trigger")).toString(),
            QStringLiteral("CTRL+ALT+LOGO+m"));
  EXPECT_FALSE(portal->bound[0].second.value(QStringLiteral("description")).toString().isEmpty());

  portal->activate(QStringLiteral("/org/freedesktop/portal/desktop/session/other/x"),
                   QStringLiteral("toggle-list"));
  portal->activate(portal->session, QStringLiteral("something-else"));
  portal->activate(portal->session, QStringLiteral("toggle-list"));
  // Signals arrive in order: by the time the last one opened the list, the others were seen.
  ASSERT_TRUE(testing::runEventsUntil([this] { return listOpened > 0; }));
  EXPECT_EQ(listOpened, 1) << "only our shortcut in our session";

  // Another combination: the old session goes, a new one is bound.
  const QString first = portal->session;
  answers.clear();
  manager->registerShortcut(GlobalShortcut::alternatives()[1], [] {});
  ASSERT_TRUE(answered());
  EXPECT_TRUE(portal->closed.contains(first));
  EXPECT_NE(portal->session, first);
  EXPECT_EQ(portal->bound.back().second.value(QStringLiteral("preferred_trigger")).toString(),
            QStringLiteral("CTRL+ALT+LOGO+t"));
}

TEST_F(PortalHotKeysTest, ADeclinedDialogOrAPortalWithoutShortcutsIsNeverRegistered) {
  // No portal on the bus at all: unavailable at once.
  EXPECT_FALSE(manager->registerShortcut(GlobalShortcut::defaultShortcut(), [] {}));
  EXPECT_EQ(manager->status(), HotKeyStatus::unavailable);

  ASSERT_TRUE(portal->start());
  portal->userBindsIt = false;
  manager->registerShortcut(GlobalShortcut::defaultShortcut(), [] {});
  ASSERT_TRUE(answered());
  EXPECT_EQ(answers.back(), HotKeyStatus::declined);
  EXPECT_TRUE(testing::runEventsUntil([this] { return portal->closed.contains(portal->session); }));

  // A portal without GlobalShortcuts (Debian 12's): unavailable once it says so.
  portal->offersShortcuts = false;
  answers.clear();
  manager->registerShortcut(GlobalShortcut::defaultShortcut(), [this] { ++listOpened; });
  ASSERT_TRUE(answered());
  EXPECT_EQ(answers, std::vector{HotKeyStatus::unavailable});
  portal->activate(portal->session, QStringLiteral("toggle-list"));
  const QDeadlineTimer settle(300);
  testing::runEventsUntil([&] { return settle.hasExpired(); });
  EXPECT_EQ(listOpened, 0);
}

}  // namespace
}  // namespace brindlecap
