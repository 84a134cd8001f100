#include "ui/QtTopBarWindows.h"

#include "platform/linux/ScreenCoordinates.h"
#include "platform/linux/TrayIconHost.h"
#include "platform/linux/XcbConnection.h"
#include "platform/linux/XcbTrayColors.h"
#include "ui/DrawnViewWidget.h"
#include "ui/ManualTimerView.h"
#include "ui/NewTimerView.h"
#include "ui/OverlayWindows.h"
#include "ui/QtFloatingPanel.h"
#include "ui/QtPopover.h"
#include "ui/TimerListView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QTimer>

namespace brindlecap {

namespace {

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

// Reports the desktop changing the application's palette (its theme).
class PaletteWatcher : public QObject {
 public:
  PaletteWatcher() { QCoreApplication::instance()->installEventFilter(this); }
  std::function<void()> onPaletteChange;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ApplicationPaletteChange &&
        watched == QCoreApplication::instance() && onPaletteChange)
      onPaletteChange();
    return false;
  }
};

class TrayStatusItem : public StatusItem {
 public:
  explicit TrayStatusItem(DrawnView& content) : icon_(new TrayIconWidget(content)), host_(icon_) {
    icon_->host = &host_;
    // A tray paints behind a new icon, or in its new colours, a moment after it says so.
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    QObject::connect(&settle_, &QTimer::timeout, &context_, [this] { refreshAppearance(); });
    // A burst of changes (a panel repainting) is looked at once.
    auto refreshSoon = [this] {
      if (!settle_.isActive()) settle_.start();
    };
    QObject::connect(&host_, &TrayIconHost::dockedChanged, &context_, [this](bool docked) {
      trayColors_.watchSurroundings(docked ? icon_->window()->winId() : 0);
      settle_.start();
    });
    QObject::connect(&trayColors_, &XcbTrayColors::changed, &context_, refreshSoon);
    context_.onPaletteChange = refreshSoon;
    appearance_ = currentAppearance();
  }
  void setVisible(bool visible) override { host_.setVisible(visible); }
  bool isVisible() const override { return host_.isVisible(); }
  // The tray decides the slot's size; the icon draws centred in whatever it gets.
  void setLength(double) override {}
  void setToolTip(const std::string& text) override {
    host_.setToolTip(QString::fromStdString(text));
  }
  std::optional<Rect> windowFrameInScreen() const override {
    const QRect geometry = host_.iconGeometryInScreen();
    if (geometry.isEmpty() || !icon_->isVisible()) return std::nullopt;
    return toGlobalYUp(geometry);
  }
  Appearance appearance() const override { return appearance_; }

 private:
  static constexpr int kSettleMs = 300;

  // In a tray that shows it translucent, what the screen shows around the icon, else the tray's
  // own text colour; elsewhere the desktop's window colour, which the icon's window is filled with.
  Appearance currentAppearance() const {
    // An opaque icon window (in a tray without translucency) shows the palette's colour itself.
    if (host_.isDocked() && icon_->window()->testAttribute(Qt::WA_TranslucentBackground)) {
      const QRect area = host_.iconGeometryInScreen();
      const qreal ratio = icon_->devicePixelRatioF();
      const QRect pixels(qRound(area.x() * ratio), qRound(area.y() * ratio),
                         qRound(area.width() * ratio), qRound(area.height() * ratio));
      if (auto behind = trayColors_.backgroundAround(pixels))
        return appearanceOnBackground(*behind);
      if (auto text = trayColors_.foreground()) return appearanceForForeground(*text);
    }
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return appearanceOnBackground(Color{window.redF(), window.greenF(), window.blueF(), 1});
  }

  void refreshAppearance() {
    const Appearance now = currentAppearance();
    if (now == appearance_) return;
    appearance_ = now;
    if (onAppearanceChanged) onAppearanceChanged(now);
  }

  TrayIconWidget* icon_;  // owned by the host
  TrayIconHost host_;
  XcbTrayColors trayColors_;
  QTimer settle_;
  Appearance appearance_ = Appearance::light;
  PaletteWatcher context_;  // last: its connections go first
};

}  // namespace

QtTopBarWindows::QtTopBarWindows(const WallClock& clock, const DateFormatter& dates)
    : clock_(clock), dates_(dates), hasCompositor_(hasCompositor()) {}

std::unique_ptr<StatusItem> QtTopBarWindows::makeStatusItem(DrawnView& content) {
  return std::make_unique<TrayStatusItem>(content);
}

std::unique_ptr<BubbleWindow> QtTopBarWindows::makeBubbleWindow(Size size) {
  return std::make_unique<QtBubbleWindow>(size, hasCompositor_);
}

std::unique_ptr<LineWindow> QtTopBarWindows::makeLineWindow(DrawnView& content) {
  return std::make_unique<QtLineWindow>(content, hasCompositor_);
}

std::unique_ptr<Popover> QtTopBarWindows::makePopover() {
  return std::make_unique<QtPopover>();
}

void QtTopBarWindows::setNewTimerContent(Popover& popover, Size size, double duration,
                                         TimePoint fireDate, Color accent,
                                         NewTimerPanelCallbacks callbacks) {
  auto& qtPopover = static_cast<QtPopover&>(popover);
  qtPopover.setContent(
      new NewTimerView(duration, fireDate, clock_, dates_, accent, std::move(callbacks.onCreate),
                       std::move(callbacks.onCancel)),
      size);
}

std::unique_ptr<FloatingPanel> QtTopBarWindows::makeFloatingPanel(const std::string& title,
                                                                  Size contentSize) {
  return std::make_unique<QtFloatingPanel>(title, contentSize);
}

void QtTopBarWindows::setTimerListContent(Popover& popover, std::shared_ptr<TimerStore> store,
                                          std::shared_ptr<AppSettingsStore> settings,
                                          TimerListCallbacks callbacks) {
  auto& qtPopover = static_cast<QtPopover&>(popover);
  qtPopover.setContent(
      new TimerListView(std::move(store), std::move(settings), dates_,
                        std::move(callbacks.onOpenSettings), std::move(callbacks.onCreateTimer)),
      qtPopover.contentSize());
}

void QtTopBarWindows::setTimerListContent(FloatingPanel& panel, std::shared_ptr<TimerStore> store,
                                          std::shared_ptr<AppSettingsStore> settings,
                                          TimerListCallbacks callbacks) {
  static_cast<QtFloatingPanel&>(panel).setContent(
      new TimerListView(std::move(store), std::move(settings), dates_,
                        std::move(callbacks.onOpenSettings), std::move(callbacks.onCreateTimer)));
}

void QtTopBarWindows::setManualTimerContent(FloatingPanel& panel, Color accent,
                                            ManualTimerCallbacks callbacks) {
  static_cast<QtFloatingPanel&>(panel).setContent(new ManualTimerView(
      clock_, dates_, accent, std::move(callbacks.onCreate), std::move(callbacks.onCancel)));
}

}  // namespace brindlecap
