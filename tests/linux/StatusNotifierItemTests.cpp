#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QEventLoop>
#include <QTimer>

#include "menubar/StatusItemContentView.h"
#include "support/PrivateBus.h"
#include "ui/QtStatusItem.h"
#include "ui/StatusIconImage.h"

namespace brindlecap {
namespace {

using testing::PrivateBus;
using testing::runEventsUntil;

// A stand-in for the desktop's watcher and its host: takes registrations, says whether a host is
// there, and reads items as a host does.
class FakeWatcher : public QDBusVirtualObject {
 public:
  explicit FakeWatcher(QDBusConnection bus) : bus(std::move(bus)) {}
  ~FakeWatcher() override {
    bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
  }
  bool start() {
    return bus.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), this) &&
           bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QLatin1String("RegisterStatusNotifierItem")) {
      registered.append(message.arguments().value(0).toString());
      connection.send(message.createReply());
    } else if (message.member() == QLatin1String("Get")) {
      connection.send(message.createReply(QVariant::fromValue(QDBusVariant(hostRegistered))));
    } else {
      return false;
    }
    return true;
  }
  QDBusMessage callItem(const QString& member, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        registered.last(), QStringLiteral("/StatusNotifierItem"),
        member == QLatin1String("Get") ? QStringLiteral("org.freedesktop.DBus.Properties")
                                       : QStringLiteral("org.kde.StatusNotifierItem"),
        member);
    call.setArguments(args);
    // The item answers on this thread, so the call must not block it.
    QDBusPendingCall pending = bus.asyncCall(call);
    runEventsUntil([&] { return pending.isFinished(); });
    return pending.reply();
  }
  QVariant property(const QString& name) {
    const QDBusMessage reply =
        callItem(QStringLiteral("Get"), {QStringLiteral("org.kde.StatusNotifierItem"), name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
  }

  QDBusConnection bus;
  QStringList registered;
  bool hostRegistered = true;
};

// Lets whatever is in flight on the buses arrive.
void settle() {
  QEventLoop loop;
  QTimer::singleShot(200, &loop, &QEventLoop::quit);
  loop.exec();
}

struct Pixmap {
  int width = 0, height = 0;
  QByteArray bytes;
};

std::vector<Pixmap> pixmaps(const QVariant& value) {
  std::vector<Pixmap> result;
  const auto argument = value.value<QDBusArgument>();
  argument.beginArray();
  while (!argument.atEnd()) {
    Pixmap p;
    argument.beginStructure();
    argument >> p.width >> p.height >> p.bytes;
    argument.endStructure();
    result.push_back(p);
  }
  argument.endArray();
  return result;
}

class Receiver : public QObject {
  Q_OBJECT
 public slots:
  void newIcon() { ++newIcons; }

 public:
  int newIcons = 0;
};

TEST(StatusNotifierItemTest, RegistersServesTheDrawnIconAndReportsClicksWhereTheHostSaysTheyWere) {
  PrivateBus bus;
  if (!bus.started()) GTEST_SKIP() << "no dbus-daemon";
  auto watcher = std::make_unique<FakeWatcher>(bus.connect());
  ASSERT_TRUE(watcher->start());

  StatusItemContentView view;
  QtStatusItem item(view, bus.connect());
  EXPECT_TRUE(runEventsUntil([&] {
    return item.hosts() == StatusItemHosts{false, false, true, true};
  }));
  std::vector<std::pair<StatusItemClick, std::optional<Point>>> clicks;
  item.onClick = [&](StatusItemClick click, std::optional<Point> at) {
    clicks.emplace_back(click, at);
  };
  item.setToolTip(std::string(StatusItemContentView::kClickAndMoveToolTip));
  item.setKind(StatusItemKind::notifierItem);
  ASSERT_TRUE(runEventsUntil([&] { return item.isPlaced(); }));
  ASSERT_EQ(watcher->registered.size(), 1);
  const QString service = watcher->registered.last();

  EXPECT_EQ(watcher->property(QStringLiteral("Title")).toString(), QStringLiteral("Brindlecap"));
  EXPECT_EQ(watcher->property(QStringLiteral("Category")).toString(),
            QStringLiteral("ApplicationStatus"));
  EXPECT_FALSE(watcher->property(QStringLiteral("Id")).toString().isEmpty());

  // Every size a host may want, ARGB32 in network byte order: the first byte of a dot's pixel
  // is its alpha, where a little-endian copy would put blue.
  const auto icons = pixmaps(watcher->property(QStringLiteral("IconPixmap")));
  ASSERT_EQ(icons.size(), std::size(QtStatusItem::kIconSizes));
  for (std::size_t i = 0; i < icons.size(); ++i) {
    const int side = QtStatusItem::kIconSizes[i];
    SCOPED_TRACE(side);
    EXPECT_EQ(icons[i].width, side);
    EXPECT_EQ(icons[i].height, side);
    ASSERT_EQ(icons[i].bytes.size(), side * side * 4);
    const QImage drawn =
        renderStatusIcon(view, QSize(side, side)).convertToFormat(QImage::Format_ARGB32);
    QPoint strongest;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        if (qAlpha(drawn.pixel(x, y)) > qAlpha(drawn.pixel(strongest))) strongest = QPoint(x, y);
    const QRgb pixel = drawn.pixel(strongest);
    ASSERT_GT(qAlpha(pixel), 128) << "the icon draws its dots";
    const auto* px = reinterpret_cast<const uchar*>(icons[i].bytes.constData()) +
                     (strongest.y() * side + strongest.x()) * 4;
    EXPECT_EQ(std::vector<int>(px, px + 4),
              (std::vector<int>{qAlpha(pixel), qRed(pixel), qGreen(pixel), qBlue(pixel)}));
  }

  // NewIcon once per change of look: redraw requests that change nothing announce nothing.
  Receiver receiver;
  watcher->bus.connect(service, QStringLiteral("/StatusNotifierItem"),
                       QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("NewIcon"),
                       &receiver, SLOT(newIcon()));
  view.setNeedsDisplay();
  view.countdownText = "12";
  view.setNeedsDisplay();
  view.setNeedsDisplay();
  ASSERT_TRUE(runEventsUntil([&] { return receiver.newIcons == 1; }));
  view.setNeedsDisplay();
  view.countdownText = "11";
  view.setNeedsDisplay();
  ASSERT_TRUE(runEventsUntil([&] { return receiver.newIcons == 2; }));
  settle();
  EXPECT_EQ(receiver.newIcons, 2) << "nothing more arrives";

  // Clicks come with the host's position; the icon's frame (where the tether starts and the
  // list opens) is then there.
  watcher->callItem(QStringLiteral("Activate"), {300, 12});
  watcher->callItem(QStringLiteral("ContextMenu"), {310, 14});
  watcher->callItem(QStringLiteral("SecondaryActivate"), {320, 16});
  ASSERT_EQ(clicks.size(), 3u);
  EXPECT_EQ(clicks[0].first, StatusItemClick::activate);
  EXPECT_EQ(clicks[1].first, StatusItemClick::contextMenu);
  EXPECT_EQ(clicks[2].first, StatusItemClick::secondaryActivate);
  const auto frame = item.windowFrameInScreen();
  ASSERT_TRUE(frame && clicks[2].second);
  EXPECT_EQ((Point{frame->midX(), frame->midY()}), *clicks[2].second);
  EXPECT_EQ(clicks[0].second->x, 300);

  // The host leaves, then the watcher restarts: the item follows and registers again.
  int changes = 0;
  item.onDesktopChanged = [&] { ++changes; };
  watcher->hostRegistered = false;
  watcher->bus.send(QDBusMessage::createSignal(QStringLiteral("/StatusNotifierWatcher"),
                                               QStringLiteral("org.kde.StatusNotifierWatcher"),
                                               QStringLiteral("StatusNotifierHostUnregistered")));
  ASSERT_TRUE(runEventsUntil([&] { return !item.hosts().notifierHost; }));
  EXPECT_FALSE(item.isPlaced()) << "registered, but no host shows it";
  watcher.reset();
  ASSERT_TRUE(runEventsUntil([&] { return !item.hosts().notifierWatcher; }));
  watcher = std::make_unique<FakeWatcher>(bus.connect());
  ASSERT_TRUE(watcher->start());
  ASSERT_TRUE(runEventsUntil([&] { return item.isPlaced(); }));
  EXPECT_EQ(watcher->registered, QStringList{service});
  EXPECT_GE(changes, 3);
}

}  // namespace
}  // namespace brindlecap

#include "StatusNotifierItemTests.moc"
