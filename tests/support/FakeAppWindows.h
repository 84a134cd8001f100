#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/AppWindows.h"
#include "platform/Diagnostics.h"

namespace brindlecap::testing {

// A window that keeps what was done to it and holds its animation until the test ends it.
class FakeAppWindow : public AppWindow {
 public:
  struct Animation {
    double alpha = 0;
    Rect frame;
    std::function<void()> completion;
  };

  FakeAppWindow(std::string title, Rect frame)
      : windowTitle(std::move(title)), currentFrame(frame) {}

  std::string title() const override { return windowTitle; }
  Rect frame() const override { return currentFrame; }
  // Like the platform, changing frame or alpha stops a running animation without its completion.
  void setFrame(const Rect& frame) override {
    pendingAnimation.reset();
    currentFrame = frame;
  }
  void setFrameOrigin(Point origin) override { currentFrame.origin = origin; }
  void setAlpha(double value) override {
    pendingAnimation.reset();
    alpha = value;
  }
  void setIgnoresMouseEvents(bool ignores) override { ignoresMouseEvents = ignores; }
  bool isVisible() const override { return visible; }
  void orderOut() override {
    visible = false;
    ++orderOutCount;
  }
  void makeKeyAndOrderFront() override {
    visible = true;
    stateWhenMadeKey = {alpha, ignoresMouseEvents, currentFrame};
  }
  void animate(double toAlpha, const Rect& toFrame, double,
               std::function<void()> completion) override {
    ++animationCount;
    pendingAnimation = Animation{toAlpha, toFrame, std::move(completion)};
  }

  // Ends the pending animation as the platform would: the end state applied, then the completion
  // called once. False when none was running.
  bool finishAnimation() {
    if (!pendingAnimation) return false;
    Animation ended = std::move(*pendingAnimation);
    pendingAnimation.reset();
    alpha = ended.alpha;
    currentFrame = ended.frame;
    if (ended.completion) ended.completion();
    return true;
  }
  // The window loses key status, as a click into another application does.
  void resignKey() {
    if (onResignKey) onResignKey();
  }

  std::string windowTitle;
  Rect currentFrame;
  double alpha = 1;
  bool ignoresMouseEvents = false;
  bool visible = false;
  int orderOutCount = 0;
  int animationCount = 0;
  std::optional<Animation> pendingAnimation;
  std::tuple<double, bool, Rect> stateWhenMadeKey;  // alpha, ignoresMouseEvents, frame
};

// Makes fake windows centred on `screen`, keeps the callbacks their content was given and the
// resign-active handler so a test can fire them, and counts activations.
class FakeAppWindowSystem : public AppWindowSystem {
 public:
  static constexpr Size kSettingsSize{460, 590};
  static constexpr Size kOnboardingSize{470, 330};

  std::shared_ptr<AppWindow> makeSettingsWindow(const std::shared_ptr<AppSettingsStore>&,
                                                std::function<void()> showOnboarding) override {
    ++settingsWindowsMade;
    onShowOnboarding = std::move(showOnboarding);
    settingsWindow =
        std::make_shared<FakeAppWindow>("Настройки Brindlecap", centred(kSettingsSize));
    return settingsWindow;
  }
  std::shared_ptr<AppWindow> makeOnboardingWindow(const std::shared_ptr<AppSettingsStore>&,
                                                  std::function<void()> finish) override {
    ++onboardingWindowsMade;
    onFinish = std::move(finish);
    onboardingWindow =
        std::make_shared<FakeAppWindow>("Добро пожаловать в Brindlecap", centred(kOnboardingSize));
    return onboardingWindow;
  }
  void activateApplication() override { ++activations; }
  void setDidResignActiveHandler(std::function<void()> handler) override {
    didResignActive = std::move(handler);
  }

  // The application stops being active.
  void resignActive() {
    if (didResignActive) didResignActive();
  }

  Rect centred(Size size) const {
    return Rect(screen.midX() - size.width / 2, screen.midY() - size.height / 2, size.width,
                size.height);
  }

  Rect screen{0, 0, 1440, 875};  // where new windows are centred
  std::shared_ptr<FakeAppWindow> settingsWindow;
  std::shared_ptr<FakeAppWindow> onboardingWindow;
  std::function<void()> onShowOnboarding;
  std::function<void()> onFinish;
  std::function<void()> didResignActive;
  int settingsWindowsMade = 0;
  int onboardingWindowsMade = 0;
  int activations = 0;
};

}  // namespace brindlecap::testing
