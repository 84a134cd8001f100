#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppWindows.h"
#include "ui/WindowFrame.h"

class QParallelAnimationGroup;
class QRect;
class QWidget;

namespace brindlecap {

class NotificationCenter;

// A titled top-level window hosting one content widget at a fixed size. Frames are the whole
// window, the window manager's title bar and borders included, in global points, y up. Closing only
// hides: the user's close reports onResignKey so the owner runs its dismissal (or hides the window
// at once when nobody listens); a programmatic close, as quitting makes, hides it directly.
// Setting alpha or frame, or starting a new animation, ends a running animation without its
// completion. Main thread only.
class QtAppWindow : public QObject, public AppWindow {
 public:
  // Takes ownership of `content`; the window starts hidden, centred on the primary screen.
  QtAppWindow(const std::string& title, Size contentSize, QWidget* content);
  ~QtAppWindow() override;

  std::string title() const override { return title_; }
  Rect frame() const override;
  void setFrame(const Rect& frame) override;
  void setFrameOrigin(Point origin) override;
  void setAlpha(double alpha) override;
  void setIgnoresMouseEvents(bool ignores) override;
  bool isVisible() const override;
  void orderOut() override;
  void makeKeyAndOrderFront() override;
  void animate(double alpha, const Rect& frame, double duration,
               std::function<void()> completion) override;

  QWidget* widget() const { return window_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void stopAnimation();

  std::string title_;
  QPointer<QWidget> window_;
  WindowDecorations decorations_;
  QPointer<QParallelAnimationGroup> animation_;
};

// Builds the settings and onboarding windows around their views and turns the application's
// deactivation into the resign-active handler's call.
class QtAppWindowSystem : public QObject, public AppWindowSystem {
 public:
  // `notifications` must outlive the windows; `terminate` is the settings' quit action.
  QtAppWindowSystem(NotificationCenter& notifications, std::function<void()> terminate);

  std::shared_ptr<AppWindow> makeSettingsWindow(const std::shared_ptr<AppSettingsStore>& settings,
                                                std::function<void()> onShowOnboarding) override;
  std::shared_ptr<AppWindow> makeOnboardingWindow(const std::shared_ptr<AppSettingsStore>& settings,
                                                  std::function<void()> onFinish) override;
  void activateApplication() override;
  void setDidResignActiveHandler(std::function<void()> handler) override;

 private:
  std::shared_ptr<QtAppWindow> remember(std::shared_ptr<QtAppWindow> window);

  NotificationCenter& notifications_;
  std::function<void()> terminate_;
  std::function<void()> didResignActive_;
  // Focus moving between our own popup and a window passes through "inactive" for a moment:
  // the state is looked at again one event-loop turn later.
  QTimer resignCheck_;
  std::vector<std::weak_ptr<QtAppWindow>> windows_;
};

}  // namespace brindlecap
