#pragma once

#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "platform/TopBarWindows.h"

namespace brindlecap {

// The top-bar windows on an X11 desktop: the icon in the system tray or as a notifier item (or in
// the hanging fallback panel), the drag overlay's windows, and popovers with Qt widget content.
class QtTopBarWindows : public TopBarWindowFactory {
 public:
  QtTopBarWindows(const WallClock& clock, const DateFormatter& dates);

  std::unique_ptr<StatusItem> makeStatusItem(DrawnView& content) override;
  std::unique_ptr<FallbackPanel> makeFallbackPanel(DrawnView& content) override;
  std::unique_ptr<BubbleWindow> makeBubbleWindow(Size size) override;
  std::unique_ptr<LineWindow> makeLineWindow(DrawnView& content) override;
  std::unique_ptr<Popover> makePopover() override;
  void setNewTimerContent(Popover& popover, Size size, double duration, TimePoint fireDate,
                          Color accent, NewTimerPanelCallbacks callbacks) override;
  std::unique_ptr<FloatingPanel> makeFloatingPanel(const std::string& title,
                                                   Size contentSize) override;
  void setTimerListContent(Popover& popover, std::shared_ptr<TimerStore> store,
                           std::shared_ptr<AppSettingsStore> settings,
                           TimerListCallbacks callbacks) override;
  void setTimerListContent(FloatingPanel& panel, std::shared_ptr<TimerStore> store,
                           std::shared_ptr<AppSettingsStore> settings,
                           TimerListCallbacks callbacks) override;
  void setManualTimerContent(FloatingPanel& panel, Color accent,
                             ManualTimerCallbacks callbacks) override;

 private:
  const WallClock& clock_;
  const DateFormatter& dates_;
  bool hasCompositor_;
};

}  // namespace brindlecap
