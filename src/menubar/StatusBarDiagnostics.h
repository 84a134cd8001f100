#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "menubar/DragDisplayLinkDriver.h"
#include "menubar/StatusBarPlatform.h"
#include "platform/MainQueue.h"
#include "platform/Screens.h"
#include "timers/TimerStore.h"

namespace brindlecap {

class StatusBarController;

// The top bar's scripted diagnostic modes: sample timers for the list, the action one second
// after start-up, the drag preview and the drag benchmark. Owned by the controller it drives.
class StatusBarDiagnostics {
 public:
  StatusBarDiagnostics(StatusBarController& controller, StatusBarPlatform platform);
  ~StatusBarDiagnostics();
  StatusBarDiagnostics(const StatusBarDiagnostics&) = delete;
  StatusBarDiagnostics& operator=(const StatusBarDiagnostics&) = delete;

  // In the list modes, two sample timers replace the store's; the store then never saves.
  void loadDiagnosticSampleTimers(TimerStore& store);
  // Schedules the mode's action one second from now: open the list, the naming panel, the
  // preview or the benchmark.
  void scheduleDiagnosticAction();
  // A still drag from the icon, held until a real drag hides it; prints its two ends.
  void showDiagnosticDragPreview();
  // Benchmarks the overlay for 1.5 s on `screens[index]`, prints the frame metrics, then goes on
  // with the next screen; past the last one the application ends.
  void runDiagnosticDragAnimation(std::vector<ScreenInfo> screens, std::size_t index);

 private:
  StatusBarController& controller_;
  StatusBarPlatform platform_;
  std::vector<WorkHandle> scheduled_;  // cancelled with this object
  std::shared_ptr<DragDisplayLinkDriver> benchmarkDriver_;
};

}  // namespace brindlecap
