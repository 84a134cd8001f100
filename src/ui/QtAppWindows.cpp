#include "ui/QtAppWindows.h"

#include <QCloseEvent>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/OnboardingView.h"
#include "ui/SettingsView.h"

namespace brindlecap {

namespace {

constexpr Size kSettingsContentSize{460, 590};
constexpr Size kOnboardingContentSize{470, 330};

QSize toQSize(Size size) {
  return QSize(static_cast<int>(std::lround(size.width)),
               static_cast<int>(std::lround(size.height)));
}

// The system's ease-in-ease-out timing curve.
QEasingCurve easeInEaseOut() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
  return curve;
}

}  // namespace

QtAppWindow::QtAppWindow(const std::string& title, Size contentSize, QWidget* content)
    : title_(title),
      window_(new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)),
      decorations_(window_) {
  window_->setWindowTitle(QString::fromStdString(title));
  auto* layout = new QVBoxLayout(window_);
  layout->setContentsMargins(0, 0, 0, 0);
  // The window's size is ours alone, so the hide animation can shrink it below the content's.
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->addWidget(content);

  const QSize size = toQSize(contentSize);
  window_->setFixedSize(size);
  QRect geometry(QPoint(0, 0), size);
  if (const QScreen* primary = QGuiApplication::primaryScreen())
    geometry.moveCenter(primary->availableGeometry().center());
  window_->setGeometry(geometry);
  // A native window from the start, so input transparency can change without remapping it.
  window_->winId();
  window_->installEventFilter(this);
}

QtAppWindow::~QtAppWindow() {
  stopAnimation();
  delete window_.data();
}

Rect QtAppWindow::frame() const {
  return decorations_.frame().around(window_->geometry());
}

void QtAppWindow::setFrame(const Rect& frame) {
  stopAnimation();
  const QRect geometry = decorations_.frame().clientOf(frame);
  window_->setFixedSize(geometry.size());
  setClientGeometry(*window_, geometry);
}

void QtAppWindow::setFrameOrigin(Point origin) {
  stopAnimation();
  Rect moved = frame();
  moved.origin = origin;
  setClientGeometry(*window_, decorations_.frame().clientOf(moved));
}

void QtAppWindow::setAlpha(double alpha) {
  stopAnimation();
  window_->setWindowOpacity(alpha);
}

void QtAppWindow::setIgnoresMouseEvents(bool ignores) {
  // Changing the widget's flags would recreate and hide the window; the native window's own
  // flag only changes its input shape. The widget is told without telling the window system.
  Qt::WindowFlags flags = window_->windowFlags();
  flags.setFlag(Qt::WindowTransparentForInput, ignores);
  window_->overrideWindowFlags(flags);
  if (QWindow* handle = window_->windowHandle())
    handle->setFlag(Qt::WindowTransparentForInput, ignores);
}

bool QtAppWindow::isVisible() const {
  return window_->isVisible() && !window_->isMinimized();
}

void QtAppWindow::orderOut() {
  window_->hide();
}

void QtAppWindow::makeKeyAndOrderFront() {
  if (window_->isMinimized())
    window_->showNormal();
  else
    window_->show();
  window_->raise();
  window_->activateWindow();
}

void QtAppWindow::animate(double alpha, const Rect& frame, double duration,
                          std::function<void()> completion) {
  stopAnimation();
  const QRect target = decorations_.frame().clientOf(frame);
  const QSize current = window_->size();
  window_->setMinimumSize(current.boundedTo(target.size()));
  window_->setMaximumSize(current.expandedTo(target.size()));

  const int milliseconds = static_cast<int>(std::lround(std::max(0.0, duration) * 1000));
  auto* group = new QParallelAnimationGroup(this);
  auto* fade = new QPropertyAnimation(window_, "windowOpacity");
  fade->setEndValue(alpha);
  auto* shrink = new QPropertyAnimation(window_, "geometry");
  shrink->setEndValue(target);
  for (QPropertyAnimation* animation : {fade, shrink}) {
    animation->setDuration(milliseconds);
    animation->setEasingCurve(easeInEaseOut());
    group->addAnimation(animation);
  }
  connect(group, &QAbstractAnimation::finished, this,
          [this, group, completion = std::move(completion)] {
            if (animation_ == group) animation_ = nullptr;
            group->deleteLater();
            if (completion) completion();
          });
  animation_ = group;
  group->start();
}

void QtAppWindow::stopAnimation() {
  if (!animation_) return;
  QParallelAnimationGroup* group = animation_;
  animation_ = nullptr;
  disconnect(group, nullptr, this, nullptr);
  group->stop();
  group->deleteLater();
  // Not resizable again, at whatever size the animation left it.
  if (window_) window_->setFixedSize(window_->size());
}

bool QtAppWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::WindowDeactivate:
      if (onResignKey) onResignKey();
      return false;
    case QEvent::Close:
      // Quitting closes every window and gives up if one refuses; only the user's close
      // (the window manager's, so spontaneous) is turned into the owner's own hiding.
      if (!event->spontaneous()) return false;
      event->ignore();
      if (onResignKey)
        onResignKey();
      else
        window_->hide();
      return true;
    default:
      return false;
  }
}

QtAppWindowSystem::QtAppWindowSystem(NotificationCenter& notifications,
                                     std::function<void()> terminate)
    : notifications_(notifications), terminate_(std::move(terminate)) {
  resignCheck_.setSingleShot(true);
  resignCheck_.setInterval(0);
  connect(&resignCheck_, &QTimer::timeout, this, [this] {
    if (QGuiApplication::applicationState() != Qt::ApplicationActive && didResignActive_)
      didResignActive_();
  });
  if (qGuiApp) {
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
              if (state != Qt::ApplicationActive) resignCheck_.start();
            });
  }
}

std::shared_ptr<AppWindow> QtAppWindowSystem::makeSettingsWindow(
    const std::shared_ptr<AppSettingsStore>& settings, std::function<void()> onShowOnboarding) {
  auto* content =
      new SettingsView(settings, notifications_, std::move(onShowOnboarding), terminate_);
  return remember(
      std::make_shared<QtAppWindow>("Настройки Brindlecap", kSettingsContentSize, content));
}

std::shared_ptr<AppWindow> QtAppWindowSystem::makeOnboardingWindow(
    const std::shared_ptr<AppSettingsStore>& settings, std::function<void()> onFinish) {
  auto* content = new OnboardingView(settings, std::move(onFinish));
  return remember(std::make_shared<QtAppWindow>("Добро пожаловать в Brindlecap",
                                                kOnboardingContentSize, content));
}

std::shared_ptr<QtAppWindow> QtAppWindowSystem::remember(std::shared_ptr<QtAppWindow> window) {
  std::erase_if(windows_, [](const auto& weak) { return weak.expired(); });
  windows_.push_back(window);
  return window;
}

void QtAppWindowSystem::activateApplication() {
  // X11 activates windows, not applications: when none of ours has focus, bring forward the
  // newest one on screen. The window about to be made key then takes focus from it.
  if (QGuiApplication::applicationState() == Qt::ApplicationActive) return;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    auto window = it->lock();
    if (window && window->isVisible()) {
      window->widget()->raise();
      window->widget()->activateWindow();
      return;
    }
  }
}

void QtAppWindowSystem::setDidResignActiveHandler(std::function<void()> handler) {
  didResignActive_ = std::move(handler);
}

}  // namespace brindlecap
