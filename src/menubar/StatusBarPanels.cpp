// StatusBarController, continued: the panels under the icon (the list popover, the naming panel
// after a drag, the shortcut's floating list and the composer). They share the controller's
// popovers, anchors and callbacks with the icon and the gesture, so they stay members of it.
#include <utility>

#include "menubar/PanelPlacement.h"
#include "menubar/StatusBarController.h"  // the class these members belong to

namespace brindlecap {

void StatusBarController::presentNewTimer(double duration, DrawnView* anchor) {
  // Fixed now, so the time spent typing a title does not lengthen the timer.
  const TimePoint fireDate = platform_.clock.now() + duration;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  NewTimerPanelCallbacks callbacks;
  callbacks.onCreate = [weak, fireDate](const std::string& title) {
    auto self = weak.lock();
    if (!self) return;
    self->store_->add(title, fireDate);
    self->draftPopover_->close();
  };
  callbacks.onCancel = [weak] {
    if (auto self = weak.lock()) self->draftPopover_->close();
  };
  platform_.windows.setNewTimerContent(*draftPopover_, kNewTimerPanelSize, duration, fireDate,
                                       functionalColor(), std::move(callbacks));
  platform_.mainQueue.async([weak, anchor] {
    auto self = weak.lock();
    if (!self || !anchor || !anchor->surface()) return;
    self->draftPopover_->show(*anchor->surface());
    self->constrainPopoverBelowMenuBar(*self->draftPopover_, *anchor);
  });
}

void StatusBarController::configurePopovers() {
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  TimerListCallbacks callbacks;
  callbacks.onOpenSettings = [weak] {
    auto self = weak.lock();
    if (!self) return;
    // Settings open only once the list has closed, growing out of where it was.
    self->pendingSettingsSourceFrame_ = self->listPopover_->windowFrame();
    self->opensSettingsAfterPopoverClose_ = true;
    self->listPopover_->close();
  };
  callbacks.onCreateTimer = [weak] {
    if (auto self = weak.lock()) self->showManualTimerComposer();
  };
  platform_.windows.setTimerListContent(*listPopover_, store_, settings_, std::move(callbacks));
  listPopover_->onClose = [weak] {
    if (auto self = weak.lock()) self->popoverDidClose();
  };
  updateListPopoverSize();
}

void StatusBarController::popoverDidClose() {
  if (!opensSettingsAfterPopoverClose_) return;
  auto frame = std::exchange(pendingSettingsSourceFrame_, std::nullopt);
  opensSettingsAfterPopoverClose_ = false;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  platform_.mainQueue.async([weak, frame] {
    if (auto self = weak.lock(); self && self->onOpenSettings_) self->onOpenSettings_(frame);
  });
}

void StatusBarController::updateListPopoverSize() {
  const Size size{kListWidth, PanelPlacement::listHeight(store_->activeItems().size())};
  if (listPopover_->contentSize() != size) listPopover_->setContentSize(size);
  if (shortcutListPanel_ && shortcutListPanel_->contentSize() != size)
    shortcutListPanel_->setContentSize(size);
}

void StatusBarController::showManualTimerComposer() {
  manualTimerSourceFrame_ = listPopover_->windowFrame();
  if (!manualTimerSourceFrame_ && shortcutListPanel_ && shortcutListPanel_->isVisible())
    manualTimerSourceFrame_ = shortcutListPanel_->frame();
  listPopover_->close();
  if (shortcutListPanel_) shortcutListPanel_->orderOut();
  presentManualTimerPanel();
}

void StatusBarController::presentManualTimerPanel() {
  if (!manualTimerPanel_)
    manualTimerPanel_ = platform_.windows.makeFloatingPanel("Новый таймер", kManualTimerPanelSize);
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  ManualTimerCallbacks callbacks;
  callbacks.onCreate = [weak](const std::string& title, double seconds) {
    auto self = weak.lock();
    if (!self) return;
    self->store_->add(title, self->platform_.clock.now() + seconds);
    self->manualTimerPanel_->orderOut();
  };
  callbacks.onCancel = [weak] {
    if (auto self = weak.lock()) self->manualTimerPanel_->orderOut();
  };
  platform_.windows.setManualTimerContent(*manualTimerPanel_, functionalColor(),
                                          std::move(callbacks));
  manualTimerPanel_->setContentSize(kManualTimerPanelSize);
  positionFloatingPanel(*manualTimerPanel_, kManualTimerPanelSize, manualTimerSourceFrame_);
  manualTimerPanel_->makeKeyAndOrderFront();
}

void StatusBarController::showListFromShortcut() {
  if (shortcutListPanel_ && shortcutListPanel_->isVisible()) {
    shortcutListPanel_->orderOut();
    return;
  }
  listPopover_->close();
  draftPopover_->close();
  if (manualTimerPanel_) manualTimerPanel_->orderOut();
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  onPrepareToOpenList_([weak] {
    if (auto self = weak.lock()) self->presentShortcutListPanel();
  });
}

void StatusBarController::presentShortcutListPanel() {
  const Size size{kListWidth, PanelPlacement::listHeight(store_->activeItems().size())};
  if (!shortcutListPanel_) {
    shortcutListPanel_ = platform_.windows.makeFloatingPanel("Brindlecap", Size{kListWidth, 280});
    std::weak_ptr<StatusBarController> weak = weak_from_this();
    TimerListCallbacks callbacks;
    callbacks.onOpenSettings = [weak] {
      auto self = weak.lock();
      if (!self) return;
      const Rect frame = self->shortcutListPanel_->frame();
      self->shortcutListPanel_->orderOut();
      if (self->onOpenSettings_) self->onOpenSettings_(frame);
    };
    callbacks.onCreateTimer = [weak] {
      if (auto self = weak.lock()) self->showManualTimerComposer();
    };
    platform_.windows.setTimerListContent(*shortcutListPanel_, store_, settings_,
                                          std::move(callbacks));
  }
  shortcutListPanel_->setContentSize(size);
  positionFloatingPanel(*shortcutListPanel_, size, std::nullopt);
  shortcutListPanel_->makeKeyAndOrderFront();
}

void StatusBarController::positionFloatingPanel(FloatingPanel& panel, Size size,
                                                std::optional<Rect> source) {
  if (auto origin = PanelPlacement::floatingPanelOrigin(
          size, source, platform_.screens.pointerLocation(), platform_.screens.screens()))
    panel.setFrameOrigin(*origin);
}

void StatusBarController::showListPopover(DrawnView* anchor) {
  if (!anchor) anchor = activeAnchorView();
  if (!anchor || !anchor->surface()) return;
  draftPopover_->close();
  if (shortcutListPanel_) shortcutListPanel_->orderOut();
  if (manualTimerPanel_) manualTimerPanel_->orderOut();
  if (listPopover_->isShown()) return;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  onPrepareToOpenList_([weak, anchor] {
    auto self = weak.lock();
    if (!self || self->listPopover_->isShown() || !anchor->surface()) return;
    self->listPopover_->show(*anchor->surface());
    self->constrainPopoverBelowMenuBar(*self->listPopover_, *anchor);
  });
}

void StatusBarController::toggleListPopover(DrawnView* anchor) {
  if (listPopover_->isShown())
    listPopover_->close();
  else
    showListPopover(anchor);
}

void StatusBarController::constrainPopoverBelowMenuBar(Popover& popover, DrawnView& anchor) {
  // Only the hanging fallback panel needs this; the status item's popovers are placed below it.
  if (&anchor != &fallbackView_) return;
  std::weak_ptr<StatusBarController> weak = weak_from_this();
  platform_.mainQueue.async([weak, &popover] {
    auto self = weak.lock();
    if (!self || !self->fallbackView_.surface()) return;
    auto anchorFrame = self->fallbackView_.surface()->frameInScreen();
    auto window = popover.windowFrame();
    if (!anchorFrame || !window) return;
    auto screen = screenContaining(self->platform_.screens.screens(),
                                   Point{anchorFrame->midX(), anchorFrame->midY()});
    if (!screen) return;
    const double drop =
        PanelPlacement::popoverDrop(*window, PanelPlacement::topBarLowerEdge(*screen));
    if (drop > 0) popover.moveDown(drop);
    if (auto moved = popover.windowFrame())
      self->platform_.diagnostics.print("POPOVER_FRAME", describe(*moved));
  });
}

}  // namespace brindlecap
