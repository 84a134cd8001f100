#include "platform/linux/QtDragInput.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>
#include <utility>

namespace brindlecap {

DragEventMonitor::Token QtDragEventMonitor::install(std::function<bool(const DragEvent&)> handler) {
  if (handler_) qApp->removeEventFilter(this);
  handler_ = std::move(handler);
  auto token = std::make_shared<int>(0);
  current_ = token;
  qApp->installEventFilter(this);
  if (QWidget* pressed = QApplication::widgetAt(QCursor::pos())) {
    pressed->grabKeyboard();
    keyboardGrabber_ = pressed;
  }
  return token;
}

QtDragEventMonitor::~QtDragEventMonitor() {
  delete grabWindow_.data();
}

DragEventMonitor::Token QtDragEventMonitor::installGrabbing(
    std::function<bool(const DragEvent&)> handler) {
  if (!grabWindow_) {
    // Off screen and one pixel: it only has to be mapped for the X server to let it grab.
    grabWindow_ =
        new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                                 Qt::WindowDoesNotAcceptFocus);
    grabWindow_->setAttribute(Qt::WA_QuitOnClose, false);
    grabWindow_->setAttribute(Qt::WA_ShowWithoutActivating);
    grabWindow_->setGeometry(-10, -10, 1, 1);
  }
  grabWindow_->show();
  QWindow* window = grabWindow_->windowHandle();
  // Another program holding the pointer (a menu, a drag) refuses the grab.
  if (window == nullptr || !window->setMouseGrabEnabled(true)) {
    grabWindow_->hide();
    return nullptr;
  }
  auto token = install(std::move(handler));
  if (keyboardGrabber_) keyboardGrabber_->releaseKeyboard();
  grabWindow_->grabMouse();
  grabWindow_->grabKeyboard();
  keyboardGrabber_ = grabWindow_;
  grabbing_ = true;
  return token;
}

void QtDragEventMonitor::remove(const Token& token) {
  if (!token || token != current_.lock()) return;
  handler_ = nullptr;
  current_.reset();
  qApp->removeEventFilter(this);
  if (keyboardGrabber_) keyboardGrabber_->releaseKeyboard();
  keyboardGrabber_ = nullptr;
  if (std::exchange(grabbing_, false) && grabWindow_) {
    grabWindow_->releaseMouse();
    grabWindow_->hide();
  }
}

bool QtDragEventMonitor::eventFilter(QObject* watched, QEvent* event) {
  // Every widget and window sees the same event; take it once, from the widget it is meant for.
  if (!handler_ || !watched->isWidgetType()) return false;
  // A copy: the handler may end the session and remove this monitor.
  auto handler = handler_;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
      return handler({left ? DragEvent::Type::leftMouseDown : DragEvent::Type::otherMouseDown, 0});
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
      return handler({DragEvent::Type::leftMouseUp, 0});
    case QEvent::MouseMove:
      if (!(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) return false;
      return handler({DragEvent::Type::leftMouseDragged, 0});
    case QEvent::KeyPress: {
      const bool escape = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
      return handler({DragEvent::Type::keyDown, escape ? kEscapeKeyCode : 0});
    }
    default:
      return false;
  }
}

void QtCursor::hide() {
  QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
}
void QtCursor::unhide() {
  QGuiApplication::restoreOverrideCursor();
}

}  // namespace brindlecap
