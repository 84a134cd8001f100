#include "ui/QtStatusItem.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QScreen>

#include "menubar/StatusItemContentView.h"
#include "platform/linux/ScreenCoordinates.h"
#include "ui/DrawnViewWidget.h"
#include "ui/StatusIconImage.h"

namespace brindlecap {

namespace {
constexpr double kIconPoints = 24;  // the icon's design box; drawings scale from it
}  // namespace

// Inside a tray, Qt's own idea of where a widget is on screen is stale; the host knows.
class TrayIconWidget : public DrawnViewWidget {
 public:
  using DrawnViewWidget::DrawnViewWidget;
  const TrayIconHost* host = nullptr;
  std::optional<Rect> frameInScreen() const override {
    if (!host) return DrawnViewWidget::frameInScreen();
    const QRect geometry = host->iconGeometryInScreen();
    if (geometry.isEmpty()) return std::nullopt;
    return toGlobalYUp(geometry);
  }
};

// The icon's surface while it is a notifier item: a redraw request becomes new pixmaps, and its
// place on screen is where the host last reported a click (hosts do not tell where items are).
class QtStatusItem::NotifierSurface : public ViewSurface {
 public:
  explicit NotifierSurface(QtStatusItem& owner) : owner_(owner) {}
  void setNeedsDisplay() override { owner_.iconRender_.start(); }
  void setNeedsDisplay(const Rect&) override { owner_.iconRender_.start(); }
  void displayIfNeeded() override {
    if (!owner_.iconRender_.isActive()) return;
    owner_.iconRender_.stop();
    owner_.renderNotifierIcon();
  }
  Size boundsSize() const override { return Size{kIconPoints, kIconPoints}; }
  std::optional<Rect> frameInScreen() const override {
    if (!clickedAt) return std::nullopt;
    const int side = int(kIconPoints);
    return toGlobalYUp(QRect(*clickedAt - QPoint(side / 2, side / 2), QSize(side, side)));
  }
  std::optional<QPoint> clickedAt;  // Qt global coordinates

 private:
  QtStatusItem& owner_;
};

QtStatusItem::QtStatusItem(DrawnView& content, QDBusConnection bus)
    : content_(content),
      trayIcon_(new TrayIconWidget(content)),
      tray_(trayIcon_),
      notifier_(std::move(bus)),
      notifierSurface_(std::make_unique<NotifierSurface>(*this)) {
  trayIcon_->host = &tray_;
  iconRender_.setSingleShot(true);
  iconRender_.setInterval(0);
  connect(&iconRender_, &QTimer::timeout, this, [this] { renderNotifierIcon(); });
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, [this] { refreshAppearance(); });
  connect(&trayColors_, &XcbTrayColors::changed, this, [this] { refreshAppearanceSoon(); });
  qApp->installEventFilter(this);  // the desktop changing the application's palette
  connect(&tray_, &TrayIconHost::changed, this, [this] {
    if (tray_.isDocked() != watchingDocked_) {
      watchingDocked_ = tray_.isDocked();
      trayColors_.watchSurroundings(watchingDocked_ ? trayIcon_->window()->winId() : 0);
      settle_.start();
    }
    desktopChanged();
  });
  connect(&notifier_, &StatusNotifierItem::changed, this, [this] { desktopChanged(); });
  connect(&notifier_, &StatusNotifierItem::activated, this,
          [this](std::optional<QPoint> at) { clicked(StatusItemClick::activate, at); });
  connect(&notifier_, &StatusNotifierItem::contextMenuRequested, this,
          [this](std::optional<QPoint> at) { clicked(StatusItemClick::contextMenu, at); });
  connect(&notifier_, &StatusNotifierItem::secondaryActivated, this,
          [this](std::optional<QPoint> at) { clicked(StatusItemClick::secondaryActivate, at); });
  auto watchScreen = [this](QScreen* screen) {
    disconnect(screenWatch_);
    if (screen != nullptr)
      screenWatch_ =
          connect(screen, &QScreen::availableGeometryChanged, this, [this] { desktopChanged(); });
  };
  watchScreen(QGuiApplication::primaryScreen());
  connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this, watchScreen](QScreen* s) {
    watchScreen(s);
    desktopChanged();
  });
  appearance_ = currentAppearance();
}

QtStatusItem::~QtStatusItem() {
  // Members going away may still signal; nothing here is to hear it.
  for (QObject* sender : std::initializer_list<QObject*>{&tray_, &notifier_, &trayColors_})
    sender->disconnect(this);
  if (content_.surface() == notifierSurface_.get()) content_.attach(nullptr);
}

void QtStatusItem::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  apply();
}

void QtStatusItem::setToolTip(const std::string& text) {
  tray_.setToolTip(QString::fromStdString(text));
  notifier_.setToolTip(QString::fromStdString(text));
}

std::optional<Rect> QtStatusItem::windowFrameInScreen() const {
  if (!isPlaced()) return std::nullopt;
  if (kind_ == StatusItemKind::notifierItem) return notifierSurface_->frameInScreen();
  const QRect geometry = tray_.iconGeometryInScreen();
  if (geometry.isEmpty()) return std::nullopt;
  return toGlobalYUp(geometry);
}

StatusItemHosts QtStatusItem::hosts() const {
  return {tray_.trayAvailable(), tray_.trayIsProxy(), notifier_.watcherPresent(),
          notifier_.hostRegistered()};
}

void QtStatusItem::setKind(StatusItemKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  apply();
  refreshAppearance();
}

bool QtStatusItem::isPlaced() const {
  if (!visible_) return false;
  switch (kind_) {
    case StatusItemKind::trayIcon:
      return tray_.isDocked();
    case StatusItemKind::notifierItem:
      // Registered with no host to show it, the item would only claim to be somewhere.
      return notifier_.isRegistered() && notifier_.hostRegistered();
    case StatusItemKind::none:
      break;
  }
  return false;
}

void QtStatusItem::apply() {
  const bool notifier = visible_ && kind_ == StatusItemKind::notifierItem;
  if (notifier) {
    content_.attach(notifierSurface_.get());
    renderNotifierIcon();
  } else {
    content_.attach(trayIcon_);
  }
  notifier_.setWanted(notifier);
  tray_.setWanted(visible_ && kind_ == StatusItemKind::trayIcon);
}

void QtStatusItem::renderNotifierIcon() {
  if (content_.surface() != notifierSurface_.get()) return;
  // Drawn for each size, not scaled from one: the dots and the countdown fit the pixels.
  const auto& view = static_cast<const StatusItemContentView&>(content_);
  QList<QImage> images;
  for (int side : kIconSizes) images.append(renderStatusIcon(view, QSize(side, side)));
  notifier_.setIcon(images);
}

void QtStatusItem::clicked(StatusItemClick click, std::optional<QPoint> at) {
  // Hosts report device pixels; without a position the pointer is on the item.
  const qreal ratio = qApp->devicePixelRatio();
  notifierSurface_->clickedAt =
      at ? QPoint(qRound(at->x() / ratio), qRound(at->y() / ratio)) : QCursor::pos();
  if (onClick) onClick(click, toGlobalYUp(QPointF(*notifierSurface_->clickedAt)));
}

void QtStatusItem::desktopChanged() {
  if (onDesktopChanged) onDesktopChanged();
}

bool QtStatusItem::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ApplicationPaletteChange && watched == qApp) refreshAppearanceSoon();
  return false;
}

// Docked in a tray that shows it translucent: what the screen shows around the icon, else the
// tray's own text colour. A notifier host draws in the panel's colours, which the tray's text
// colour tells when the same panel also runs a tray. Otherwise the desktop's window colour, which
// an opaque tray slot and the fallback panel are filled with.
Appearance QtStatusItem::currentAppearance() const {
  if (kind_ == StatusItemKind::trayIcon && tray_.isDocked() &&
      trayIcon_->window()->testAttribute(Qt::WA_TranslucentBackground)) {
    const QRect area = tray_.iconGeometryInScreen();
    const qreal ratio = trayIcon_->devicePixelRatioF();
    const QRect pixels(qRound(area.x() * ratio), qRound(area.y() * ratio),
                       qRound(area.width() * ratio), qRound(area.height() * ratio));
    if (auto behind = trayColors_.backgroundAround(pixels)) return appearanceOnBackground(*behind);
    if (auto text = trayColors_.foreground()) return appearanceForForeground(*text);
  }
  if (kind_ == StatusItemKind::notifierItem)
    if (auto text = trayColors_.foreground()) return appearanceForForeground(*text);
  const QColor window = QGuiApplication::palette().color(QPalette::Window);
  return appearanceOnBackground(Color{window.redF(), window.greenF(), window.blueF(), 1});
}

void QtStatusItem::refreshAppearance() {
  const Appearance now = currentAppearance();
  if (now == appearance_) return;
  appearance_ = now;
  if (onAppearanceChanged) onAppearanceChanged(now);
}

void QtStatusItem::refreshAppearanceSoon() {
  // A burst of changes (a panel repainting) is looked at once.
  if (!settle_.isActive()) settle_.start();
}

}  // namespace brindlecap
