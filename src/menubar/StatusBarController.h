#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menubar/DragGesture.h"
#include "menubar/DragOverlayPanel.h"
#include "menubar/DragSession.h"
#include "menubar/MenuBarFallbackView.h"
#include "menubar/MenuBarPlacementResolver.h"
#include "menubar/StatusBarDiagnostics.h"
#include "menubar/StatusBarPlatform.h"
#include "menubar/StatusItemContentView.h"
#include "settings/AppSettingsStore.h"
#include "timers/TimerStore.h"

namespace brindlecap {

// Owns what the application shows in and under the top bar: the icon, the drag gesture with its
// overlay, the list, the naming panel and the composer. Main thread only.
class StatusBarController : public std::enable_shared_from_this<StatusBarController> {
 public:
  static constexpr double kStatusWidth = 24;
  static constexpr Size kNewTimerPanelSize{300, 142};
  static constexpr Size kManualTimerPanelSize{300, 198};
  static constexpr double kListWidth = 360;
  static constexpr int kRingStepsPerDot = 16;
  // How long a tray or watcher may take to show the icon before it hangs in the fallback panel.
  static constexpr double kPlacementPatience = 2;

  using OpenSettings = std::function<void(std::optional<Rect>)>;
  using PrepareToOpenList = std::function<void(std::function<void()>)>;

  static std::shared_ptr<StatusBarController> create(std::shared_ptr<TimerStore> store,
                                                     std::shared_ptr<AppSettingsStore> settings,
                                                     StatusBarPlatform platform,
                                                     OpenSettings onOpenSettings,
                                                     PrepareToOpenList onPrepareToOpenList);
  ~StatusBarController();

  // The icon.
  void updateStatusItem();
  // When the icon next looks different for the store's `now`; nothing while it cannot change.
  std::optional<TimePoint> nextIconChange(TimePoint now) const;
  void updateIconState(std::optional<std::string> countdown, std::optional<double> progress);
  void updateFunctionalColor();
  // Light or dark, as what the icon sits on: the icons, the overlay and the accent follow it.
  void setAppearance(Appearance appearance);
  Appearance appearance() const { return appearance_; }
  // The accent colour in the variant for the current appearance.
  Color functionalColor() const;
  // Both icons' dragging look, drawn at once.
  void setDragging(bool isDragging);
  // The view popovers attach to: the fallback view while the icon hangs there, else the status
  // item's icon while it is on screen.
  DrawnView* activeAnchorView();

  // The drag gesture (DragGesture); a press closes the list and the naming panel first.
  void trackDrag(DrawnView& anchor);
  // The same gesture from an icon that only reports clicks: armed by a click, it follows the
  // pointer with no button held; a click before it is live opens the list instead. A click while
  // the list is open only closes it.
  void trackClickAndMove(DrawnView& anchor);
  // A click a notifier host reports on the status item.
  void handleStatusItemClick(StatusItemClick click);
  void renderDragFrame(const std::shared_ptr<DragSession>& session, double timestamp) {
    dragGesture_->renderDragFrame(session, timestamp);
  }
  void finishDragSession(std::shared_ptr<DragSession> session, bool cancelled) {
    dragGesture_->finishDragSession(std::move(session), cancelled);
  }
  std::optional<Point> tetherStartPoint(const DrawnView& anchor) const {
    return DragGesture::tetherStartPoint(anchor);
  }
  const std::shared_ptr<DragSession>& activeDragSession() const {
    return dragGesture_->activeDragSession();
  }

  // Panels under the icon.
  void presentNewTimer(double duration, DrawnView* anchor);
  void showListPopover(DrawnView* anchor);
  void toggleListPopover(DrawnView* anchor);
  void constrainPopoverBelowMenuBar(Popover& popover, DrawnView& anchor);
  void updateListPopoverSize();
  // Replaces the list (popover or shortcut panel) with the composer, top-aligned where it was.
  void showManualTimerComposer();
  void presentManualTimerPanel();
  // The global shortcut: toggles the list in a floating panel near the pointer.
  void showListFromShortcut();
  void presentShortcutListPanel();
  // Places a floating panel over `source` (top edges aligned), or near the pointer under the top.
  void positionFloatingPanel(FloatingPanel& panel, Size size, std::optional<Rect> source);
  FloatingPanel* shortcutListPanel() { return shortcutListPanel_.get(); }
  FloatingPanel* manualTimerPanel() { return manualTimerPanel_.get(); }

  // Where the icon can be reached: chooses the status item for the desktop as it is now, and
  // hangs the icon in the fallback panel while no host shows it (at once when there is none, after
  // a short wait while one is taking it). Reports what it found while diagnostics are on.
  StatusItemKind chosenKind() const;
  void configureReachableAnchor();
  // The same a moment later, once a burst of desktop changes has settled.
  void recheckReachableAnchor();
  void showFallback(const MenuBarFallbackPlacement& placement);
  // Moves the shown panel to where the placement now says (the screens changed).
  void updateFallbackFrame();
  FallbackPanel* fallbackPanel() { return fallbackPanel_.get(); }
  const std::optional<MenuBarFallbackPlacement>& fallbackPlacement() const {
    return fallbackPlacement_;
  }

  // Diagnostics (StatusBarDiagnostics).
  void showDiagnosticDragPreview() { diagnostics_->showDiagnosticDragPreview(); }
  void runDiagnosticDragAnimation(std::vector<ScreenInfo> screens, std::size_t index) {
    diagnostics_->runDiagnosticDragAnimation(std::move(screens), index);
  }

  StatusItemContentView& statusContentView() { return statusContentView_; }
  MenuBarFallbackView& fallbackView() { return fallbackView_; }
  DragOverlayPanel& overlay() { return *overlay_; }
  StatusItem& statusItem() { return *statusItem_; }
  Popover& listPopover() { return *listPopover_; }
  Popover& draftPopover() { return *draftPopover_; }
  double currentStatusWidth() const { return currentStatusWidth_; }

 private:
  StatusBarController(std::shared_ptr<TimerStore> store, std::shared_ptr<AppSettingsStore> settings,
                      StatusBarPlatform platform, OpenSettings onOpenSettings,
                      PrepareToOpenList onPrepareToOpenList);
  void start();
  void configureStatusItem();
  void configureDragGesture();
  void observeStore();
  void configurePopovers();
  void popoverDidClose();
  void hideFallback();
  std::optional<MenuBarFallbackPlacement> currentFallbackPlacement() const;
  void printAnchorDiagnostics();

  std::shared_ptr<TimerStore> store_;
  std::shared_ptr<AppSettingsStore> settings_;
  StatusBarPlatform platform_;
  OpenSettings onOpenSettings_;
  PrepareToOpenList onPrepareToOpenList_;

  StatusItemContentView statusContentView_;
  MenuBarFallbackView fallbackView_;
  std::unique_ptr<DragOverlayPanel> overlay_;
  std::unique_ptr<StatusItem> statusItem_;
  std::unique_ptr<FallbackPanel> fallbackPanel_;
  std::optional<MenuBarFallbackPlacement> fallbackPlacement_;
  // Monotonic time the status item was given its current kind; the fallback waits a little for it.
  double statusItemKindSince_ = 0;
  WorkHandle pendingAnchorCheck_;
  std::unique_ptr<Popover> listPopover_;
  std::unique_ptr<Popover> draftPopover_;
  std::unique_ptr<FloatingPanel> shortcutListPanel_;
  std::unique_ptr<FloatingPanel> manualTimerPanel_;
  std::optional<Rect> manualTimerSourceFrame_;
  std::optional<Rect> pendingSettingsSourceFrame_;
  bool opensSettingsAfterPopoverClose_ = false;
  double currentStatusWidth_ = kStatusWidth;
  Appearance appearance_ = Appearance::light;
  std::vector<Subscription> cancellables_;
  std::vector<WorkHandle> scheduled_;
  // Last, so both go before the views and the overlay they use.
  std::shared_ptr<DragGesture> dragGesture_;
  std::unique_ptr<StatusBarDiagnostics> diagnostics_;
};

}  // namespace brindlecap
