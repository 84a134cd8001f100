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
    : widget_(new CompletionBannerView(hasCompositor)) {
  // The seam's callbacks are read at the click, so the controller may set them at any time.
  widget_->onDismiss = [this] { call(onDismiss); };
  widget_->onQuickSnooze = [this] { call(onQuickSnooze); };
  widget_->onShowSnoozeOptions = [this] { call(onShowSnoozeOptions); };
}

QtCompletionBannerPanel::~QtCompletionBannerPanel() {
  delete widget_.data();
}

QWidget* QtCompletionBannerPanel::widget() {
  return widget_;
}

void QtCompletionBannerPanel::setTitle(const std::string& title) {
  widget_->setTitle(QString::fromStdString(title));
}

void QtCompletionBannerPanel::setBody(const std::string& body) {
  widget_->setBody(QString::fromStdString(body));
}

void QtCompletionBannerPanel::setQuickSnoozeTitle(const std::string& title) {
  widget_->setQuickSnoozeTitle(QString::fromStdString(title));
}

void QtCompletionBannerPanel::setAccentColor(Color accent) {
  widget_->setAccent(toQColor(accent));
}

void QtCompletionBannerPanel::setButtonsEnabled(bool enabled) {
  widget_->setButtonsEnabled(enabled);
}

Rect QtCompletionBannerPanel::frame() const {
  return toGlobalYUp(widget_->geometry());
}

void QtCompletionBannerPanel::setFrame(const Rect& frame) {
  const QSize before = widget_->size();
  widget_->setGeometry(toQt(frame));
  if (widget_->size() != before) widget_->fitToSize();
}

void QtCompletionBannerPanel::setAlpha(double alpha) {
  widget_->setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
}

void QtCompletionBannerPanel::orderFrontRegardless() {
  widget_->show();
  widget_->raise();
}

void QtCompletionBannerPanel::orderOut() {
  // A menu left open would float where the chevron was, over whatever comes next.
  widget_->closeSnoozeMenu();
  widget_->hide();
}

bool QtCompletionBannerPanel::isVisible() const {
  return widget_->isVisible();
}

void QtCompletionBannerPanel::fadeOut(double duration, std::function<void()> completion) {
  auto finish = [completion = std::move(completion)] {
    if (completion) completion();
  };
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
  widget_->popUpSnoozeMenu(items, std::move(closed));
}

}  // namespace brindlecap
