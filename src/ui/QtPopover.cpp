#include "ui/QtPopover.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "platform/linux/ScreenCoordinates.h"

namespace brindlecap {

class QtPopover::Window : public QWidget {
 public:
  Window() : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  bool isClosing = false;
  std::function<void()> onHidden;

 protected:
  void hideEvent(QHideEvent* event) override {
    QWidget::hideEvent(event);
    isClosing = true;
    if (onHidden) onHidden();
    // A press elsewhere closed it: stay "shown" until that click's release has been handled,
    // so the click on the icon that closed it does not open it again.
    if (QGuiApplication::mouseButtons() == Qt::NoButton)
      QTimer::singleShot(0, this, [this] { isClosing = false; });
    else
      qApp->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease) {
      qApp->removeEventFilter(this);
      QTimer::singleShot(0, this, [this] { isClosing = false; });
    }
    return false;
  }
};

QtPopover::QtPopover() : window_(new Window) {
  window_->onHidden = [this] {
    if (onClose) onClose();
  };
}

QtPopover::~QtPopover() {
  delete window_.data();
}

QWidget* QtPopover::window() const {
  return window_.data();
}

bool QtPopover::isShown() const {
  return window_ && (window_->isVisible() || window_->isClosing);
}

void QtPopover::setContent(std::function<QWidget*()> make, Size size) {
  if (content_) content_->deleteLater();
  content_ = nullptr;
  makeContent_ = std::move(make);
  setContentSize(size);
}

void QtPopover::setContent(QWidget* content, Size size) {
  makeContent_ = nullptr;
  if (content_) content_->deleteLater();
  content_ = content;
  window_->layout()->addWidget(content);
  setContentSize(size);
}

void QtPopover::setContentSize(Size size) {
  contentSize_ = size;
  const int width = static_cast<int>(size.width);
  int height = static_cast<int>(size.height);
  // Content whose text wraps (a long subtitle in a wide desktop font) gets the height it needs.
  if (content_ && content_->hasHeightForWidth())
    height = std::max(height, content_->heightForWidth(width));
  window_->setFixedSize(width, height);
}

void QtPopover::show(const ViewSurface& anchor) {
  auto frame = anchor.frameInScreen();
  if (!frame || !window_) return;
  if (!content_ && makeContent_) setContent(std::exchange(makeContent_, nullptr)(), contentSize_);
  if (!content_) return;  // nothing to show yet
  const QRect anchorRect = toQt(*frame);
  const QSize size = window_->size();
  QPoint topLeft(anchorRect.center().x() - size.width() / 2, anchorRect.bottom() + 6);
  // Keep it on the anchor's screen.
  if (const QScreen* screen = QGuiApplication::screenAt(anchorRect.center())) {
    const QRect available = screen->availableGeometry();
    topLeft.setX(std::clamp(topLeft.x(), available.left() + 8,
                            std::max(available.left() + 8, available.right() - size.width() - 8)));
    // An icon in a panel at the bottom (or clicked low on screen) opens it above instead.
    if (topLeft.y() + size.height() > available.bottom() &&
        anchorRect.top() - 6 - size.height() >= available.top())
      topLeft.setY(anchorRect.top() - 6 - size.height());
    topLeft.setY(std::max(topLeft.y(), available.top()));
  }
  window_->move(topLeft);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void QtPopover::close() {
  if (window_) window_->hide();
}

std::optional<Rect> QtPopover::windowFrame() const {
  if (!window_ || !window_->isVisible()) return std::nullopt;
  return toGlobalYUp(window_->frameGeometry());
}

void QtPopover::moveDown(double points) {
  if (window_) window_->move(window_->pos() + QPoint(0, static_cast<int>(std::lround(points))));
}

}  // namespace brindlecap
