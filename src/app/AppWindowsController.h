#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/AppWindows.h"
#include "platform/DefaultsStore.h"
#include "platform/Diagnostics.h"
#include "platform/Geometry.h"
#include "platform/MainQueue.h"
#include "platform/Screens.h"
#include "settings/AppSettingsStore.h"

namespace brindlecap {

// Owns the settings and onboarding windows, built lazily and kept for the application's life.
// Showing one places it, activates the application and makes it key; hiding one is a short fade
// and shrink after which it is ordered out at its resting frame. Callers can queue work to run
// once a window has finished hiding. Main thread only.
class AppWindowsController : public std::enable_shared_from_this<AppWindowsController> {
 public:
  static constexpr double kDismissDuration = 0.18;  // seconds
  static constexpr double kScreenMargin = 12;       // points kept free inside the visible frame
  static constexpr double kDismissInsetX = 7;       // points the hide animation takes off each side
  static constexpr double kDismissInsetY = 6;       // … and off the top and the bottom

  // References must outlive the controller. `defaults` receives "settings.hasCompletedOnboarding".
  static std::shared_ptr<AppWindowsController> create(std::shared_ptr<AppSettingsStore> settings,
                                                      DefaultsStore& defaults,
                                                      AppWindowSystem& windows,
                                                      const Screens& screens, MainQueue& mainQueue,
                                                      Diagnostics& diagnostics);
  ~AppWindowsController();
  AppWindowsController(const AppWindowsController&) = delete;
  AppWindowsController& operator=(const AppWindowsController&) = delete;

  // Shows the settings window, in the place of `replacing` (global points) when given.
  void showSettings(std::optional<Rect> replacing);
  // Shows the onboarding once any other window has hidden; unless `force`, only while the
  // onboarding has not been completed.
  void showOnboarding(bool force);
  // Hides the first of the settings and onboarding windows that is shown or hiding and runs
  // `completion` once it is gone; runs it at once when neither is.
  void dismissAuxiliaryWindows(std::function<void()> completion);
  // Hides `window` if it is one of ours.
  void windowDidResignKey(AppWindow& window);
  // Drops all queued completions without running them and hides both windows.
  void applicationDidResignActive();

  // For tests and diagnostics.
  const std::shared_ptr<AppWindow>& settingsWindow() const { return settingsWindow_; }
  const std::shared_ptr<AppWindow>& onboardingWindow() const { return onboardingWindow_; }

 private:
  AppWindowsController(std::shared_ptr<AppSettingsStore> settings, DefaultsStore& defaults,
                       AppWindowSystem& windows, const Screens& screens, MainQueue& mainQueue,
                       Diagnostics& diagnostics);
  void start();
  void adopt(const std::shared_ptr<AppWindow>& window);
  void finishOnboarding();

  void present(const std::shared_ptr<AppWindow>& window, std::optional<Rect> replacing);
  void position(AppWindow& window, const Rect& replacing);
  void dismiss(const std::shared_ptr<AppWindow>& window, std::function<void()> completion);
  void completeDismissal(const std::weak_ptr<AppWindow>& window, const AppWindow* identifier,
                         Rect restingFrame);
  void runDismissalCompletions(const AppWindow* identifier);

  std::shared_ptr<AppSettingsStore> settings_;
  DefaultsStore& defaults_;
  AppWindowSystem& windows_;
  const Screens& screens_;
  MainQueue& mainQueue_;
  Diagnostics& diagnostics_;

  std::shared_ptr<AppWindow> settingsWindow_;
  std::shared_ptr<AppWindow> onboardingWindow_;
  // Windows are identified by their object's address; both live as long as the controller.
  std::set<const AppWindow*> windowsBeingDismissed_;
  // Each hiding window's frame before it began to shrink.
  std::map<const AppWindow*, Rect> restingFrames_;
  std::map<const AppWindow*, std::vector<std::function<void()>>> dismissalCompletions_;
};

}  // namespace brindlecap
