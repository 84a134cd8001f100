#include "ui/QtCompletionBannerPanel.h"

#include <QPropertyAnimation>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/linux/ScreenCoordinates.h"
#include "ui/CompletionBannerView.h"
#include "ui/QtColor.h"

namespace brindlecap {

namespace {

// A copy, so a callback that replaces itself does not run destroyed.
void call(const std::function<void()>& callback) {
  if (auto copy = callback) copy();
}

}  // namespace

QtCompletionBannerPanel::QtCompletionBannerPanel(bool hasCompositor)
    : hasCompositor_(hasCompositor) {}

CompletionBannerView& QtCompletionBannerPanel::view() {
  if (widget_) return *widget_;
  widget_ = new CompletionBannerView(hasCompositor_);
  // The seam's callbacks are read at the click, so the controller may set them at any time.
  widget_->onDismiss = [this] { call(onDismiss); };
  widget_->onQuickSnooze = [this] { call(onQuickSnooze); };
  widget_->onShowSnoozeOptions = [this] { call(onShowSnoozeOptions); };
  if (title_) setTitle(*title_);
  if (body_) setBody(*body_);
  if (quickSnoozeTitle_) setQuickSnoozeTitle(*quickSnoozeTitle_);
  if (accent_) setAccentColor(*accent_);
  if (buttonsEnabled_) setButtonsEnabled(*buttonsEnabled_);
  if (frame_) setFrame(*frame_);
  if (alpha_) setAlpha(*alpha_);
  return *widget_;
}

QtCompletionBannerPanel::~QtCompletionBannerPanel() {
  delete widget_.data();
}

QWidget* QtCompletionBannerPanel::widget() {
  return &view();
}

void QtCompletionBannerPanel::setTitle(const std::string& title) {
  title_ = title;
  if (widget_) widget_->setTitle(QString::fromStdString(title));
}

void QtCompletionBannerPanel::setBody(const std::string& body) {
  body_ = body;
  if (widget_) widget_->setBody(QString::fromStdString(body));
}

void QtCompletionBannerPanel::setQuickSnoozeTitle(const std::string& title) {
  quickSnoozeTitle_ = title;
  if (widget_) widget_->setQuickSnoozeTitle(QString::fromStdString(title));
}

void QtCompletionBannerPanel::setAccentColor(Color accent) {
  accent_ = accent;
  if (widget_) widget_->setAccent(toQColor(accent));
}

void QtCompletionBannerPanel::setButtonsEnabled(bool enabled) {
  buttonsEnabled_ = enabled;
  if (widget_) widget_->setButtonsEnabled(enabled);
}

Rect QtCompletionBannerPanel::frame() const {
  if (!widget_) return frame_.value_or(Rect{});
  return toGlobalYUp(widget_->geometry());
}

void QtCompletionBannerPanel::setFrame(const Rect& frame) {
  frame_ = frame;
  if (!widget_) return;
  const QSize before = widget_->size();
  widget_->setGeometry(toQt(frame));
  if (widget_->size() != before) widget_->fitToSize();
}

void QtCompletionBannerPanel::setAlpha(double alpha) {
  alpha_ = alpha;
  if (widget_) widget_->setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
}

void QtCompletionBannerPanel::orderFrontRegardless() {
  view();
  widget_->show();
  widget_->raise();
}

void QtCompletionBannerPanel::orderOut() {
  // A menu left open would float where the chevron was, over whatever comes next.
  if (!widget_) return;
  widget_->closeSnoozeMenu();
  widget_->hide();
}

bool QtCompletionBannerPanel::isVisible() const {
  return widget_ && widget_->isVisible();
}

void QtCompletionBannerPanel::fadeOut(double duration, std::function<void()> completion) {
  auto finish = [completion = std::move(completion)] {
    if (completion) completion();
  };
  view();
  const auto milliseconds = static_cast<int>(std::lround(std::max(0.0, duration) * 1000));
  if (milliseconds == 0) {
    // Still from the event loop, as an animation's end would be.
    widget_->setWindowOpacity(0);
    QTimer::singleShot(0, widget_, std::move(finish));
    return;
  }
  auto* animation = new QPropertyAnimation(widget_, "windowOpacity", widget_);
  animation->setDuration(milliseconds);
  animation->setStartValue(widget_->windowOpacity());
  animation->setEndValue(0.0);
  QObject::connect(animation, &QAbstractAnimation::finished, widget_, std::move(finish));
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void QtCompletionBannerPanel::popUpSnoozeMenu(std::vector<SnoozeMenuItem> items,
                                              std::function<void(std::optional<int> tag)> closed) {
  view().popUpSnoozeMenu(items, std::move(closed));
}

}  // namespace brindlecap
