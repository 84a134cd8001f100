#include "ui/QtTopBarWindows.h"

#include "platform/linux/ScreenCoordinates.h"
#include "platform/linux/TrayIconHost.h"
#include "platform/linux/XcbConnection.h"
#include "ui/DrawnViewWidget.h"
#include "ui/ManualTimerView.h"
#include "ui/NewTimerView.h"
#include "ui/OverlayWindows.h"
#include "ui/QtFloatingPanel.h"
#include "ui/QtPopover.h"
#include "ui/TimerListView.h"

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

class TrayStatusItem : public StatusItem {
 public:
  explicit TrayStatusItem(DrawnView& content) : icon_(new TrayIconWidget(content)), host_(icon_) {
    icon_->host = &host_;
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

 private:
  TrayIconWidget* icon_;  // owned by the host
  TrayIconHost host_;
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
