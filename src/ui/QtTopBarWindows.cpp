#include "ui/QtTopBarWindows.h"

#include <QDBusConnection>

#include "platform/linux/XcbConnection.h"
#include "ui/ManualTimerView.h"
#include "ui/NewTimerView.h"
#include "ui/OverlayWindows.h"
#include "ui/QtFallbackPanel.h"
#include "ui/QtFloatingPanel.h"
#include "ui/QtPopover.h"
#include "ui/QtStatusItem.h"
#include "ui/TimerListView.h"

namespace brindlecap {

QtTopBarWindows::QtTopBarWindows(const WallClock& clock, const DateFormatter& dates)
    : clock_(clock), dates_(dates), hasCompositor_(hasCompositor()) {}

std::unique_ptr<StatusItem> QtTopBarWindows::makeStatusItem(DrawnView& content) {
  return std::make_unique<QtStatusItem>(content, QDBusConnection::sessionBus());
}

std::unique_ptr<FallbackPanel> QtTopBarWindows::makeFallbackPanel(DrawnView& content) {
  return std::make_unique<QtFallbackPanel>(content, hasCompositor_);
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
  // Made at the first opening: many sessions never open the list, and its widgets would stay
  // resident from start.
  qtPopover.setContent(
      [this, store = std::move(store), settings = std::move(settings),
       callbacks = std::move(callbacks)]() mutable -> QWidget* {
        return new TimerListView(std::move(store), std::move(settings), dates_,
                                 std::move(callbacks.onOpenSettings),
                                 std::move(callbacks.onCreateTimer));
      },
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
