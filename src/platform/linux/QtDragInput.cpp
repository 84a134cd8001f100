#include "platform/linux/QtDragInput.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

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

void QtDragEventMonitor::remove(const Token& token) {
  if (!token || token != current_.lock()) return;
  handler_ = nullptr;
  current_.reset();
  qApp->removeEventFilter(this);
  if (keyboardGrabber_) keyboardGrabber_->releaseKeyboard();
  keyboardGrabber_ = nullptr;
}

bool QtDragEventMonitor::eventFilter(QObject* watched, QEvent* event) {
  // Every widget and window sees the same event; take it once, from the widget it is meant for.
  if (!handler_ || !watched->isWidgetType()) return false;
  // A copy: the handler may end the session and remove this monitor.
  auto handler = handler_;
  switch (event->type()) {
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
