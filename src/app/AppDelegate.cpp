#include "app/AppDelegate.h"

namespace brindlecap {

AppDelegate::AppDelegate(AppPlatform platform)
    : platform_(platform),
      store_(std::make_shared<TimerStore>(platform.clock, platform.mainQueue, platform.files)),
      settings_(std::make_shared<AppSettingsStore>(platform.defaults, platform.loginItems,
                                                   platform.mainQueue)) {}

void AppDelegate::applicationDidFinishLaunching() {
  diagnostics_ = std::make_unique<Diagnostics>(platform_.environment, platform_.diagnosticOutput);
  diagnosticMode_ = diagnostics_->mode();
  if (diagnostics_->isMode("1")) diagnostics_->print("DID_FINISH_LAUNCHING");

  const AppPlatform& p = platform_;
  statusBarController_ = StatusBarController::create(
      store_, settings_,
      StatusBarPlatform{p.mainQueue, p.clock, p.monotonicClock, p.screens, p.windows, p.dragEvents,
                        p.cursor, p.haptics, p.displayLinks, p.dateFormatter, *diagnostics_,
                        p.environment, p.terminate},
      // Settings arrive with the settings window.
      [](std::optional<Rect>) {},
      // Nothing needs preparing before the list opens yet: open it at once.
      [](std::function<void()> open) { open(); });
}

void AppDelegate::openListForSecondLaunch() {
  if (diagnostics_) diagnostics_->print("ACTIVATION_REQUESTED");
  if (statusBarController_) statusBarController_->showListPopover(nullptr);
}

void AppDelegate::applicationWillTerminate() {
  store_->save();
}

}  // namespace brindlecap
