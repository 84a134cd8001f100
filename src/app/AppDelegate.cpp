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
}

void AppDelegate::applicationWillTerminate() {
  store_->save();
}

}  // namespace brindlecap
