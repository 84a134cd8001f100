#include "platform/linux/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QtEndian>

#include <unistd.h>

namespace brindlecap {

namespace {

constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";

// One icon image as the protocol carries it: ARGB32 pixels in network byte order.
struct IconPixmap {
  int width = 0;
  int height = 0;
  QByteArray bytes;
};

// The tooltip: icon name, icon images, title, text.
struct ToolTip {
  QString iconName;
  QList<IconPixmap> icons;
  QString title;
  QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const IconPixmap& pixmap) {
  argument.beginStructure();
  argument << pixmap.width << pixmap.height << pixmap.bytes;
  argument.endStructure();
  return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, IconPixmap& pixmap) {
  argument.beginStructure();
  argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
  argument.endStructure();
  return argument;
}
QDBusArgument& operator<<(QDBusArgument& argument, const ToolTip& tip) {
  argument.beginStructure();
  argument << tip.iconName << tip.icons << tip.title << tip.text;
  argument.endStructure();
  return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, ToolTip& tip) {
  argument.beginStructure();
  argument >> tip.iconName >> tip.icons >> tip.title >> tip.text;
  argument.endStructure();
  return argument;
}

}  // namespace

}  // namespace brindlecap

Q_DECLARE_METATYPE(brindlecap::IconPixmap)
Q_DECLARE_METATYPE(brindlecap::ToolTip)

namespace brindlecap {

namespace {

void registerTypes() {
  static const bool once = [] {
    qDBusRegisterMetaType<IconPixmap>();
    qDBusRegisterMetaType<QList<IconPixmap>>();
    qDBusRegisterMetaType<ToolTip>();
    return true;
  }();
  (void)once;
}

IconPixmap toPixmap(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  IconPixmap pixmap{argb.width(), argb.height(), {}};
  pixmap.bytes.resize(qsizetype(argb.width()) * argb.height() * 4);
  auto* out = reinterpret_cast<quint32*>(pixmap.bytes.data());
  for (int y = 0; y < argb.height(); ++y) {
    const auto* row = reinterpret_cast<const quint32*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) *out++ = qToBigEndian(row[x]);
  }
  return pixmap;
}

// A host that knows no position sends (0, 0).
std::optional<QPoint> reportedPoint(const QDBusMessage& message) {
  const QList<QVariant> args = message.arguments();
  if (args.size() < 2) return std::nullopt;
  const QPoint at(args[0].toInt(), args[1].toInt());
  if (at.isNull()) return std::nullopt;
  return at;
}

const char* const kIntrospection =
    "  <interface name=\"org.kde.StatusNotifierItem\">\n"
    "    <property name=\"Category\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"Id\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"Title\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"Status\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"WindowId\" type=\"i\" access=\"read\"/>\n"
    "    <property name=\"IconName\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
    "    <property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
    "    <property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>\n"
    "    <property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>\n"
    "    <property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>\n"
    "    <property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>\n"
    "    <property name=\"Menu\" type=\"o\" access=\"read\"/>\n"
    "    <method name=\"ContextMenu\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n"
    "    <method name=\"Activate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n"
    "    <method name=\"SecondaryActivate\"><arg name=\"x\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"y\" type=\"i\" direction=\"in\"/></method>\n"
    "    <method name=\"Scroll\"><arg name=\"delta\" type=\"i\" direction=\"in\"/>"
    "<arg name=\"orientation\" type=\"s\" direction=\"in\"/></method>\n"
    "    <signal name=\"NewTitle\"/>\n"
    "    <signal name=\"NewIcon\"/>\n"
    "    <signal name=\"NewAttentionIcon\"/>\n"
    "    <signal name=\"NewOverlayIcon\"/>\n"
    "    <signal name=\"NewToolTip\"/>\n"
    "    <signal name=\"NewStatus\"><arg name=\"status\" type=\"s\"/></signal>\n"
    "  </interface>\n";

}  // namespace

// The object's messages, answered by hand: the protocol's structured properties are simplest to
// build as plain D-Bus values, and nothing here needs Qt's property machinery.
class StatusNotifierItem::Adaptor : public QDBusVirtualObject {
 public:
  explicit Adaptor(StatusNotifierItem& item) : item_(item) {}

  QString introspect(const QString&) const override { return QString::fromLatin1(kIntrospection); }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    const QString interface = message.interface();
    const QString member = message.member();
    if (interface == QLatin1String(kPropertiesInterface)) {
      const QList<QVariant> args = message.arguments();
      if (member == QLatin1String("GetAll")) {
        connection.send(message.createReply(QVariant::fromValue(properties())));
        return true;
      }
      if (member == QLatin1String("Get") && args.size() == 2) {
        const QVariantMap all = properties();
        const auto found = all.find(args[1].toString());
        if (found == all.end()) {
          connection.send(message.createErrorReply(
              QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"), args[1].toString()));
        } else {
          connection.send(message.createReply(QVariant::fromValue(QDBusVariant(*found))));
        }
        return true;
      }
      return false;
    }
    if (!interface.isEmpty() && interface != QLatin1String(kItemInterface)) return false;
    const std::optional<QPoint> at = reportedPoint(message);
    if (member == QLatin1String("Activate")) {
      emit item_.activated(at);
    } else if (member == QLatin1String("ContextMenu")) {
      emit item_.contextMenuRequested(at);
    } else if (member == QLatin1String("SecondaryActivate")) {
      emit item_.secondaryActivated(at);
    } else if (member != QLatin1String("Scroll")) {
      return false;
    }
    connection.send(message.createReply());
    return true;
  }

 private:
  QVariantMap properties() const {
    QList<IconPixmap> icons;
    for (const QImage& image : item_.icon_) icons.append(toPixmap(image));
    const QString title = QStringLiteral("Brindlecap");
    return {
        {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
        {QStringLiteral("Id"), QStringLiteral("brindlecap")},
        {QStringLiteral("Title"), title},
        {QStringLiteral("Status"), QStringLiteral("Active")},
        {QStringLiteral("WindowId"), 0},
        {QStringLiteral("IconName"), QString()},
        {QStringLiteral("IconPixmap"), QVariant::fromValue(icons)},
        {QStringLiteral("OverlayIconName"), QString()},
        {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(QList<IconPixmap>())},
        {QStringLiteral("AttentionIconName"), QString()},
        {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(QList<IconPixmap>())},
        {QStringLiteral("AttentionMovieName"), QString()},
        {QStringLiteral("ToolTip"), QVariant::fromValue(ToolTip{{}, {}, title, item_.toolTip_})},
        // No menu: hosts then send ContextMenu, which opens the list.
        {QStringLiteral("ItemIsMenu"), false},
        {QStringLiteral("Menu"),
         QVariant::fromValue(QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")))},
    };
  }

  StatusNotifierItem& item_;
};

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
  registerTypes();
  static int count = 0;
  serviceName_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(getpid()).arg(++count);
  if (!bus_.isConnected()) return;
  auto* watcher = new QDBusServiceWatcher(QLatin1String(kWatcherService), bus_,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString&, const QString& newOwner) {
            // A new owner is a new watcher, which knows no items: register again.
            if (newOwner.isEmpty()) {
              watcherGone();
            } else {
              watcherAppeared();
            }
          });
  for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"}) {
    bus_.connect(QLatin1String(kWatcherService), QLatin1String(kWatcherPath),
                 QLatin1String(kWatcherInterface), QLatin1String(signal), this,
                 SLOT(readHostRegistered()));
  }
  // Asked of the bus, which always answers; the watcher itself answers when it can.
  watcherPresent_ = bus_.interface()->isServiceRegistered(QLatin1String(kWatcherService));
  if (watcherPresent_) readHostRegistered();
}

StatusNotifierItem::~StatusNotifierItem() {
  withdraw();
}

void StatusNotifierItem::setWanted(bool wanted) {
  if (wanted == wanted_) return;
  wanted_ = wanted;
  if (wanted_) {
    registerWithWatcher();
  } else {
    withdraw();
    if (std::exchange(registered_, false)) emit changed();
  }
}

void StatusNotifierItem::setIcon(const QList<QImage>& images) {
  if (images == icon_) return;
  icon_ = images;
  if (published_)
    bus_.send(QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(kItemInterface),
                                         QStringLiteral("NewIcon")));
}

void StatusNotifierItem::setToolTip(const QString& text) {
  if (text == toolTip_) return;
  toolTip_ = text;
  if (published_)
    bus_.send(QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(kItemInterface),
                                         QStringLiteral("NewToolTip")));
}

void StatusNotifierItem::watcherAppeared() {
  watcherPresent_ = true;
  registered_ = false;
  readHostRegistered();
  if (wanted_) registerWithWatcher();
  emit changed();
}

void StatusNotifierItem::watcherGone() {
  watcherPresent_ = false;
  hostRegistered_ = false;
  registered_ = false;
  emit changed();
}

void StatusNotifierItem::readHostRegistered() {
  QDBusMessage get =
      QDBusMessage::createMethodCall(QLatin1String(kWatcherService), QLatin1String(kWatcherPath),
                                     QLatin1String(kPropertiesInterface), QStringLiteral("Get"));
  get << QLatin1String(kWatcherInterface) << QStringLiteral("IsStatusNotifierHostRegistered");
  auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    const bool host = !reply.isError() && reply.value().variant().toBool();
    if (host == hostRegistered_) return;
    hostRegistered_ = host;
    emit changed();
  });
}

void StatusNotifierItem::publish() {
  if (published_) return;
  adaptor_ = new Adaptor(*this);
  published_ = bus_.registerVirtualObject(QLatin1String(kObjectPath), adaptor_) &&
               bus_.registerService(serviceName_);
}

void StatusNotifierItem::withdraw() {
  if (!adaptor_) return;
  if (bus_.isConnected()) {
    bus_.unregisterService(serviceName_);
    bus_.unregisterObject(QLatin1String(kObjectPath));
  }
  delete adaptor_;
  adaptor_ = nullptr;
  published_ = false;
}

void StatusNotifierItem::registerWithWatcher() {
  if (!watcherPresent_ || !bus_.isConnected()) return;
  publish();
  if (!published_) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QLatin1String(kWatcherService), QLatin1String(kWatcherPath), QLatin1String(kWatcherInterface),
      QStringLiteral("RegisterStatusNotifierItem"));
  call << serviceName_;
  auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* c) {
    c->deleteLater();
    const bool ok = !c->isError() && wanted_ && published_;
    if (ok == registered_) return;
    registered_ = ok;
    emit changed();
  });
}

}  // namespace brindlecap
