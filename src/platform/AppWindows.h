#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Geometry.h"

namespace brindlecap {

class AppSettingsStore;

// A titled, closable, non-resizable application window (settings, onboarding). It is never
// destroyed: closing it only hides it. Main thread only; frames are global points, y up.
class AppWindow {
 public:
  virtual ~AppWindow() = default;

  // The window stopped being the active (key) window; closing it counts too.
  std::function<void()> onResignKey;

  virtual std::string title() const = 0;
  virtual Rect frame() const = 0;
  virtual void setFrame(const Rect& frame) = 0;
  virtual void setFrameOrigin(Point origin) = 0;
  virtual void setAlpha(double alpha) = 0;
  virtual void setIgnoresMouseEvents(bool ignores) = 0;
  virtual bool isVisible() const = 0;
  virtual void orderOut() = 0;
  virtual void makeKeyAndOrderFront() = 0;
  // Animates alpha and frame together with ease-in-ease-out over `duration` seconds;
  // `completion` runs once, on any thread, when it ends.
  virtual void animate(double alpha, const Rect& frame, double duration,
                       std::function<void()> completion) = 0;
};

// Builds the two windows around their Qt content and reports the application's state.
class AppWindowSystem {
 public:
  virtual ~AppWindowSystem() = default;
  // Centred on the screen, content 460 × 590, titled "Настройки Brindlecap".
  virtual std::shared_ptr<AppWindow> makeSettingsWindow(
      const std::shared_ptr<AppSettingsStore>& settings,
      std::function<void()> onShowOnboarding) = 0;
  // Centred on the screen, content 470 × 330, titled "Добро пожаловать в Brindlecap".
  virtual std::shared_ptr<AppWindow> makeOnboardingWindow(
      const std::shared_ptr<AppSettingsStore>& settings, std::function<void()> onFinish) = 0;
  // Brings the application to the front, ignoring other applications.
  virtual void activateApplication() = 0;
  // Called whenever the application stops being active (none of its windows has focus).
  virtual void setDidResignActiveHandler(std::function<void()> handler) = 0;
};

}  // namespace brindlecap
