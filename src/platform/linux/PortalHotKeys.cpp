#include "platform/linux/PortalHotKeys.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>

#include <utility>

namespace brindlecap::detail {

// One entry of BindShortcuts' a(sa{sv}); the operators sit beside it for QtDBus to find.
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

}  // namespace brindlecap::detail

Q_DECLARE_METATYPE(brindlecap::detail::PortalShortcut)

namespace brindlecap {

namespace {

using detail::PortalShortcut;

constexpr char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
constexpr char kSessionInterface[] = "org.freedesktop.portal.Session";
// What the desktop shows beside the shortcut when it asks the user.
constexpr char kDescription[] = "Показать список таймеров Brindlecap";

void registerTypes() {
  static const bool registered = [] {
    // Signals are matched to slots by their parameters' type names, known only once registered.
    qRegisterMetaType<QDBusObjectPath>();
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    return true;
  }();
  (void)registered;
}

// The session handle arrives as text (so the portal documents it) or as an object path.
QString pathIn(const QVariant& value) {
  if (value.canConvert<QDBusObjectPath>() && value.typeId() != QMetaType::QString) {
    return value.value<QDBusObjectPath>().path();
  }
  return value.toString();
}

QStringList boundIds(const QVariant& shortcuts) {
  QStringList ids;
  if (!shortcuts.canConvert<QDBusArgument>()) return ids;
  for (const PortalShortcut& shortcut : qdbus_cast<QList<PortalShortcut>>(shortcuts)) {
    ids.append(shortcut.id);
  }
  return ids;
}

}  // namespace

PortalHotKeys::PortalHotKeys(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
  registerTypes();
  if (bus_.isConnected()) {
    bus_.connect(QString(), QLatin1String(kPath), QLatin1String(kInterface),
                 QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  }
}

PortalHotKeys::~PortalHotKeys() {
  unregisterHotKey();
}

QString PortalHotKeys::preferredTrigger(const HotKeyCombination& combination) {
  QString trigger;
  if (combination.control) trigger += QLatin1String("CTRL+");
  if (combination.alt) trigger += QLatin1String("ALT+");
  if (combination.shift) trigger += QLatin1String("SHIFT+");
  if (combination.super) trigger += QLatin1String("LOGO+");
  // Keys are named as xkb names their keysyms: the lower-case letter.
  return trigger + QChar::fromLatin1(combination.letter).toLower();
}

HotKeyStatus PortalHotKeys::registerHotKey(const HotKeyCombination& combination) {
  unregisterHotKey();
  combination_ = combination;
  QDBusConnectionInterface* daemon = bus_.isConnected() ? bus_.interface() : nullptr;
  const QString service = QLatin1String(kService);
  // The portal is usually started on demand, so an activatable name counts too. Whether it
  // offers global shortcuts only its answer to CreateSession tells.
  if (!daemon || !(daemon->isServiceRegistered(service).value() ||
                   daemon->activatableServiceNames().value().contains(service))) {
    return HotKeyStatus::unavailable;
  }
  if (combination.letter == 0) return HotKeyStatus::taken;
  stage_ = Stage::creatingSession;
  const QString token = nextToken();
  request(QStringLiteral("CreateSession"),
          {QVariantMap{{QStringLiteral("handle_token"), token},
                       {QStringLiteral("session_handle_token"), token}}},
          token);
  return HotKeyStatus::pending;
}

void PortalHotKeys::unregisterHotKey() {
  ++generation_;
  listenForResponse(QString());
  closeSession();
  stage_ = Stage::idle;
}

void PortalHotKeys::setPressHandler(std::function<void()> handler) {
  pressHandler_ = std::move(handler);
}

void PortalHotKeys::setStatusHandler(std::function<void(HotKeyStatus)> handler) {
  statusHandler_ = std::move(handler);
}

QString PortalHotKeys::nextToken() {
  return QStringLiteral("brindlecap%1").arg(++tokens_);
}

void PortalHotKeys::request(const QString& method, QList<QVariant> arguments,
                            const QString& token) {
  // The portal names the request object after our unique name and the token, so the answer can
  // be listened for before the call goes out: it may come before the call's own reply.
  QString sender = bus_.baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  listenForResponse(QStringLiteral("%1/request/%2/%3").arg(QLatin1String(kPath), sender, token));

  QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                     QLatin1String(kInterface), method);
  call.setArguments(arguments);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  const int generation = generation_;
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, generation] {
    watcher->deleteLater();
    if (generation != generation_) return;
    const QDBusMessage reply = watcher->reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
      // No GlobalShortcuts on this portal (Debian 12's, for one), or it broke down.
      finish(stage_ == Stage::creatingSession ? HotKeyStatus::unavailable : HotKeyStatus::declined);
      return;
    }
    const QString handle = pathIn(reply.arguments().value(0));
    if (!handle.isEmpty() && handle != requestPath_) listenForResponse(handle);
  });
}

void PortalHotKeys::listenForResponse(const QString& path) {
  const QString interface = QLatin1String(kRequestInterface);
  const QString name = QStringLiteral("Response");
  if (!requestPath_.isEmpty()) {
    bus_.disconnect(QString(), requestPath_, interface, name, this,
                    SLOT(onResponse(uint, QVariantMap, QDBusMessage)));
  }
  requestPath_ = path;
  if (!path.isEmpty())
    bus_.connect(QString(), path, interface, name, this,
                 SLOT(onResponse(uint, QVariantMap, QDBusMessage)));
}

void PortalHotKeys::onResponse(uint response, const QVariantMap& results,
                               const QDBusMessage& message) {
  if (message.path() != requestPath_ || requestPath_.isEmpty()) return;
  listenForResponse(QString());
  if (stage_ == Stage::creatingSession) {
    sessionPath_ = pathIn(results.value(QStringLiteral("session_handle")));
    if (response != 0 || sessionPath_.isEmpty()) {
      finish(HotKeyStatus::unavailable);
      return;
    }
    bus_.connect(QString(), sessionPath_, QLatin1String(kSessionInterface),
                 QStringLiteral("Closed"), this, SLOT(onSessionClosed(QVariantMap, QDBusMessage)));
    stage_ = Stage::binding;
    bind();
  } else if (stage_ == Stage::binding) {
    // The user may have cancelled the desktop's dialog, or bound nothing.
    const bool bound =
        response == 0 &&
        boundIds(results.value(QStringLiteral("shortcuts"))).contains(QLatin1String(kShortcutId));
    finish(bound ? HotKeyStatus::registered : HotKeyStatus::declined);
  }
}

void PortalHotKeys::bind() {
  const QString token = nextToken();
  const QList<PortalShortcut> shortcuts{
      {QLatin1String(kShortcutId),
       {{QStringLiteral("description"), QString::fromUtf8(kDescription)},
        {QStringLiteral("preferred_trigger"), preferredTrigger(combination_)}}}};
  request(QStringLiteral("BindShortcuts"),
          {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QVariant::fromValue(shortcuts),
           QString(), QVariantMap{{QStringLiteral("handle_token"), token}}},
          token);
}

void PortalHotKeys::finish(HotKeyStatus status) {
  if (status == HotKeyStatus::registered) {
    stage_ = Stage::bound;
  } else {
    ++generation_;
    listenForResponse(QString());
    closeSession();
    stage_ = Stage::idle;
  }
  if (statusHandler_) statusHandler_(status);
}

void PortalHotKeys::closeSession() {
  if (sessionPath_.isEmpty()) return;
  bus_.disconnect(QString(), sessionPath_, QLatin1String(kSessionInterface),
                  QStringLiteral("Closed"), this, SLOT(onSessionClosed(QVariantMap, QDBusMessage)));
  bus_.asyncCall(QDBusMessage::createMethodCall(QLatin1String(kService), sessionPath_,
                                                QLatin1String(kSessionInterface),
                                                QStringLiteral("Close")));
  sessionPath_.clear();
}

void PortalHotKeys::onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong,
                                const QVariantMap&) {
  if (stage_ != Stage::bound || session.path() != sessionPath_) return;
  if (shortcut == QLatin1String(kShortcutId) && pressHandler_) pressHandler_();
}

void PortalHotKeys::onSessionClosed(const QVariantMap&, const QDBusMessage& message) {
  if (message.path() != sessionPath_ || sessionPath_.isEmpty()) return;
  // The desktop ended the session: the shortcut is gone with it.
  bus_.disconnect(QString(), sessionPath_, QLatin1String(kSessionInterface),
                  QStringLiteral("Closed"), this, SLOT(onSessionClosed(QVariantMap, QDBusMessage)));
  sessionPath_.clear();
  const bool wasBound = stage_ == Stage::bound;
  stage_ = Stage::idle;
  if (wasBound && statusHandler_) statusHandler_(HotKeyStatus::declined);
}

}  // namespace brindlecap
