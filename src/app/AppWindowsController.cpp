#include "app/AppWindowsController.h"

#include <algorithm>
#include <string>
#include <utility>

namespace brindlecap {

namespace {
constexpr char kHasCompletedOnboardingKey[] = "settings.hasCompletedOnboarding";
}  // namespace

std::shared_ptr<AppWindowsController> AppWindowsController::create(
    std::shared_ptr<AppSettingsStore> settings, DefaultsStore& defaults, AppWindowSystem& windows,
    const Screens& screens, MainQueue& mainQueue, Diagnostics& diagnostics) {
  std::shared_ptr<AppWindowsController> controller(new AppWindowsController(
      std::move(settings), defaults, windows, screens, mainQueue, diagnostics));
  controller->start();
  return controller;
}

AppWindowsController::AppWindowsController(std::shared_ptr<AppSettingsStore> settings,
                                           DefaultsStore& defaults, AppWindowSystem& windows,
                                           const Screens& screens, MainQueue& mainQueue,
                                           Diagnostics& diagnostics)
    : settings_(std::move(settings)),
      defaults_(defaults),
      windows_(windows),
      screens_(screens),
      mainQueue_(mainQueue),
      diagnostics_(diagnostics) {}

AppWindowsController::~AppWindowsController() {
  windows_.setDidResignActiveHandler(nullptr);
}

void AppWindowsController::start() {
  std::weak_ptr<AppWindowsController> weak = weak_from_this();
  windows_.setDidResignActiveHandler([weak] {
    if (auto self = weak.lock()) self->applicationDidResignActive();
  });
}

void AppWindowsController::adopt(const std::shared_ptr<AppWindow>& window) {
  std::weak_ptr<AppWindowsController> weakSelf = weak_from_this();
  std::weak_ptr<AppWindow> weakWindow = window;
  window->onResignKey = [weakSelf, weakWindow] {
    auto self = weakSelf.lock();
    auto resigned = weakWindow.lock();
    if (self && resigned) self->windowDidResignKey(*resigned);
  };
}

void AppWindowsController::showSettings(std::optional<Rect> replacing) {
  if (!settingsWindow_) {
    std::weak_ptr<AppWindowsController> weak = weak_from_this();
    settingsWindow_ = windows_.makeSettingsWindow(settings_, [weak] {
      if (auto self = weak.lock()) self->showOnboarding(true);
    });
    adopt(settingsWindow_);
  }
  present(settingsWindow_, replacing);
}

void AppWindowsController::showOnboarding(bool force) {
  if (!force && settings_->hasCompletedOnboarding.value()) return;
  std::weak_ptr<AppWindowsController> weak = weak_from_this();
  if (!onboardingWindow_) {
    onboardingWindow_ = windows_.makeOnboardingWindow(settings_, [weak] {
      if (auto self = weak.lock()) self->finishOnboarding();
    });
    adopt(onboardingWindow_);
  }
  dismissAuxiliaryWindows([weak] {
    if (auto self = weak.lock()) self->present(self->onboardingWindow_, std::nullopt);
  });
}

void AppWindowsController::finishOnboarding() {
  settings_->hasCompletedOnboarding.set(true);
  // Written directly as well, so the flag is on disk even if the store's writer changes.
  defaults_.setBool(kHasCompletedOnboardingKey, true);
  dismiss(onboardingWindow_, nullptr);
}

void AppWindowsController::dismissAuxiliaryWindows(std::function<void()> completion) {
  for (const auto* window : {&settingsWindow_, &onboardingWindow_}) {
    if (!*window) continue;
    if ((*window)->isVisible() || windowsBeingDismissed_.contains(window->get())) {
      dismiss(*window, std::move(completion));
      return;
    }
  }
  if (completion) completion();
}

void AppWindowsController::windowDidResignKey(AppWindow& window) {
  // Windows we do not own have no resting frame or completions to manage.
  if (settingsWindow_.get() == &window) {
    dismiss(settingsWindow_, nullptr);
  } else if (onboardingWindow_.get() == &window) {
    dismiss(onboardingWindow_, nullptr);
  }
}

void AppWindowsController::applicationDidResignActive() {
  dismissalCompletions_.clear();
  dismiss(settingsWindow_, nullptr);
  dismiss(onboardingWindow_, nullptr);
}

void AppWindowsController::present(const std::shared_ptr<AppWindow>& window,
                                   std::optional<Rect> replacing) {
  if (!window) return;
  // A hide still running now finds the window gone from the set and leaves it on screen. It
  // comes back at full size: a half-shrunk frame would otherwise become the next resting frame
  // and the window would lose a few points at every interrupted hide.
  if (windowsBeingDismissed_.erase(window.get()) != 0) {
    window->setFrame(restingFrames_.at(window.get()));
  }
  window->setAlpha(1);
  window->setIgnoresMouseEvents(false);
  if (replacing) position(*window, *replacing);
  windows_.activateApplication();
  window->makeKeyAndOrderFront();
  diagnostics_.print("WINDOW", window->title() + " " + describe(window->frame()));
}

void AppWindowsController::position(AppWindow& window, const Rect& replacing) {
  const std::vector<ScreenInfo> all = screens_.screens();
  const Point centre{replacing.midX(), replacing.midY()};
  std::optional<ScreenInfo> screen = screenContaining(all, centre);
  if (!screen && !all.empty()) screen = all.front();
  if (!screen) return;

  const Rect& visible = screen->visibleFrame;
  const Size size = window.frame().size;
  const double minX = visible.minX() + kScreenMargin;
  const double maxX = std::max(minX, visible.maxX() - kScreenMargin - size.width);
  const double minY = visible.minY() + kScreenMargin;
  const double maxY = std::max(minY, visible.maxY() - kScreenMargin - size.height);
  // Top edges aligned, centred horizontally on what it replaces.
  const double x = replacing.midX() - size.width / 2;
  const double y = replacing.maxY() - size.height;
  window.setFrameOrigin({std::min(maxX, std::max(minX, x)), std::min(maxY, std::max(minY, y))});
}

void AppWindowsController::dismiss(const std::shared_ptr<AppWindow>& window,
                                   std::function<void()> completion) {
  if (!window) {
    if (completion) completion();
    return;
  }
  const AppWindow* identifier = window.get();
  if (completion) dismissalCompletions_[identifier].push_back(std::move(completion));
  if (!window->isVisible()) {
    runDismissalCompletions(identifier);
    return;
  }
  // Already hiding: that hide runs the list, including what was just added.
  if (!windowsBeingDismissed_.insert(identifier).second) return;

  const Rect restingFrame = window->frame();
  restingFrames_[identifier] = restingFrame;
  const Rect target = restingFrame.insetBy(kDismissInsetX, kDismissInsetY);
  window->setIgnoresMouseEvents(true);

  std::weak_ptr<AppWindowsController> weakSelf = weak_from_this();
  std::weak_ptr<AppWindow> weakWindow = window;
  MainQueue* mainQueue = &mainQueue_;
  // The platform may report the end on another thread; the controller's state is main-only.
  window->animate(0, target, kDismissDuration,
                  [mainQueue, weakSelf, weakWindow, identifier, restingFrame] {
                    mainQueue->async([weakSelf, weakWindow, identifier, restingFrame] {
                      if (auto self = weakSelf.lock())
                        self->completeDismissal(weakWindow, identifier, restingFrame);
                    });
                  });
}

void AppWindowsController::completeDismissal(const std::weak_ptr<AppWindow>& weakWindow,
                                             const AppWindow* identifier, Rect restingFrame) {
  auto window = weakWindow.lock();
  if (!window) return;
  // Shown again meanwhile: it stays, and its completions wait for its next finished hide.
  if (windowsBeingDismissed_.erase(identifier) == 0) return;
  window->orderOut();
  window->setFrame(restingFrame);
  window->setAlpha(1);
  window->setIgnoresMouseEvents(false);
  runDismissalCompletions(identifier);
  diagnostics_.print("WINDOW_DISMISSED", window->title());
}

void AppWindowsController::runDismissalCompletions(const AppWindow* identifier) {
  auto found = dismissalCompletions_.find(identifier);
  if (found == dismissalCompletions_.end()) return;
  // Taken out first: a completion may queue new work for the same window.
  std::vector<std::function<void()>> completions = std::move(found->second);
  dismissalCompletions_.erase(found);
  for (auto& completion : completions) completion();
}

}  // namespace brindlecap
