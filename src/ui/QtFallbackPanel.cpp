#include "ui/QtFallbackPanel.h"

#include <QPainterPath>
#include <QRegion>

#include "menubar/MenuBarFallbackView.h"
#include "platform/linux/ScreenCoordinates.h"
#include "ui/DrawnViewWidget.h"

namespace brindlecap {

QtFallbackPanel::QtFallbackPanel(DrawnView& content, bool hasCompositor)
    : hasCompositor_(hasCompositor) {
  window_ = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                                     Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  window_->setAttribute(Qt::WA_QuitOnClose, false);
  window_->setAttribute(Qt::WA_ShowWithoutActivating);
  window_->setAttribute(Qt::WA_AlwaysShowToolTips);
  if (hasCompositor_) window_->setAttribute(Qt::WA_TranslucentBackground);
  window_->setWindowTitle(QStringLiteral("Brindlecap"));
  auto* view = new DrawnViewWidget(content, window_);
  const QString tip = QString::fromUtf8(MenuBarFallbackView::kToolTip.data(),
                                        qsizetype(MenuBarFallbackView::kToolTip.size()));
  view->setToolTip(tip);
  view->setAccessibleName(QStringLiteral("Brindlecap"));
  view->setAccessibleDescription(tip);
}

QtFallbackPanel::~QtFallbackPanel() {
  delete window_.data();
}

bool QtFallbackPanel::isVisible() const {
  return window_ && window_->isVisible();
}

Rect QtFallbackPanel::frame() const {
  return window_ ? toGlobalYUp(window_->geometry()) : Rect();
}

void QtFallbackPanel::setFrame(const Rect& frame) {
  if (!window_) return;
  window_->setGeometry(toQt(frame));
  for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    child->setGeometry(window_->rect());
  shape();
}

void QtFallbackPanel::orderFront() {
  if (!window_) return;
  window_->show();
  window_->raise();
}

void QtFallbackPanel::orderOut() {
  if (window_) window_->hide();
}

// Without a compositor translucent pixels come out black: cut the window to the background.
void QtFallbackPanel::shape() {
  if (hasCompositor_) return;
  const double inset = MenuBarFallbackView::kBackgroundInset;
  QPainterPath path;
  path.addRoundedRect(
      QRectF(window_->rect()).adjusted(inset - 0.5, inset - 0.5, 0.5 - inset, 0.5 - inset),
      MenuBarFallbackView::kBackgroundRadius, MenuBarFallbackView::kBackgroundRadius);
  window_->setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace brindlecap
