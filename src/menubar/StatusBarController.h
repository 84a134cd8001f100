#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menubar/DragOverlayPanel.h"
#include "menubar/DragSession.h"
#include "menubar/MenuBarFallbackView.h"
#include "menubar/StatusItemContentView.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "platform/Diagnostics.h"
#include "platform/DisplayLink.h"
#include "platform/DragInput.h"
#include "platform/MainQueue.h"
#include "platform/Screens.h"
#include "platform/TopBarWindows.h"
#include "settings/AppSettingsStore.h"
#include "timers/TimerStore.h"

namespace brindlecap {

// The platform services the top-bar controller runs on; all outlive it.
struct StatusBarPlatform {
  MainQueue& mainQueue;
  const WallClock& clock;
  const MonotonicClock& monotonicClock;
  const Screens& screens;
  TopBarWindowFactory& windows;
  DragEventMonitor& dragEvents;
  Cursor& cursor;
  Haptics& haptics;
  DisplayLinkFactory& displayLinks;
  const DateFormatter& dates;
  Diagnostics& diagnostics;
  const Environment& environment;
  // Ends the application (the drag benchmark quits when it is done).
  std::function<void()> terminate;
};

// Owns what the application shows in and under the top bar: the icon, the drag gesture with its
// overlay, and the naming panel. Main thread only.
class StatusBarController : public std::enable_shared_from_this<StatusBarController> {
 public:
  static constexpr double kStatusWidth = 24;
  static constexpr double kClickTolerance = 3;
  static constexpr Size kNewTimerPanelSize{300, 142};
  static constexpr Size kManualTimerPanelSize{300, 198};
  static constexpr double kListWidth = 360;
  static constexpr double kFloatingPanelMargin = 12;
  static constexpr double kShortcutPanelDrop = 54;  // below the top of the visible frame

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
  void updateIconState(std::optional<std::string> countdown, std::optional<double> progress);
  void updateFunctionalColor();
  // The view popovers attach to: the status item's icon while it is on screen.
  DrawnView* activeAnchorView();

  // The drag gesture.
  void trackDrag(DrawnView& anchor);
  void renderDragFrame(const std::shared_ptr<DragSession>& session, double timestamp);
  // Takes the session by value: finishing clears `activeDragSession`, which callers often pass.
  void finishDragSession(std::shared_ptr<DragSession> session, bool cancelled);
  std::optional<Point> tetherStartPoint(DrawnView& anchor) const;
  const std::shared_ptr<DragSession>& activeDragSession() const { return activeDragSession_; }

  // Panels under the icon.
  void presentNewTimer(double duration, DrawnView* anchor);
  void showListPopover(DrawnView* anchor);
  void toggleListPopover(DrawnView* anchor);
  void constrainPopoverBelowMenuBar(Popover& popover, DrawnView& anchor);
  // The list's height for `activeCount` timers: 280 empty, else 60 per timer + 90 in [180, 420].
  static double listHeight(std::size_t activeCount);
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

  // Diagnostics.
  void showDiagnosticDragPreview();
  void runDiagnosticDragAnimation(std::vector<ScreenInfo> screens, std::size_t index);
  void configureReachableAnchor();

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
  void loadDiagnosticSampleTimers();
  void configureStatusItem();
  void observeStore();
  void scheduleDiagnosticAction();
  void setDragging(bool dragging);
  bool handleDragEvent(const std::shared_ptr<DragSession>& session, const DragEvent& event);
  void hideOverlay();
  void configurePopovers();
  void popoverDidClose();

  std::shared_ptr<TimerStore> store_;
  std::shared_ptr<AppSettingsStore> settings_;
  StatusBarPlatform platform_;
  OpenSettings onOpenSettings_;
  PrepareToOpenList onPrepareToOpenList_;

  StatusItemContentView statusContentView_;
  MenuBarFallbackView fallbackView_;
  std::unique_ptr<DragOverlayPanel> overlay_;
  std::unique_ptr<StatusItem> statusItem_;
  std::unique_ptr<Popover> listPopover_;
  std::unique_ptr<Popover> draftPopover_;
  std::unique_ptr<FloatingPanel> shortcutListPanel_;
  std::unique_ptr<FloatingPanel> manualTimerPanel_;
  std::optional<Rect> manualTimerSourceFrame_;
  std::optional<Rect> pendingSettingsSourceFrame_;
  bool opensSettingsAfterPopoverClose_ = false;
  std::shared_ptr<DragSession> activeDragSession_;
  double currentStatusWidth_ = kStatusWidth;
  std::vector<Subscription> cancellables_;
  std::vector<WorkHandle> scheduled_;
  std::shared_ptr<DragDisplayLinkDriver> benchmarkDriver_;
};

}  // namespace brindlecap
