#include "panels/ConfirmablePanel.h"

#include <QKeyEvent>
#include <QTimer>

namespace brindlecap {

void ConfirmablePanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  aboutToShow();

  // A host window (a popup in particular) gets the keys itself while nothing inside has focus,
  // and a popup closes on Escape; catch those before it does.
  QWidget* host = window();
  if (host != this && host != filteredWindow_) {
    if (filteredWindow_) filteredWindow_->removeEventFilter(this);
    host->installEventFilter(this);
    filteredWindow_ = host;
  }

  // Deferred until the window is up, so the host's own focus handling on show cannot undo it.
  if (focusTarget_) {
    QTimer::singleShot(0, focusTarget_, [field = focusTarget_] {
      if (field) field->setFocus(Qt::OtherFocusReason);
    });
  }
}

void ConfirmablePanel::hideEvent(QHideEvent* event) {
  if (filteredWindow_) filteredWindow_->removeEventFilter(this);
  filteredWindow_ = nullptr;
  QWidget::hideEvent(event);
}

void ConfirmablePanel::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationFontChange)
    applyTextStyles();
}

void ConfirmablePanel::keyPressEvent(QKeyEvent* event) {
  if (!handleKey(event)) QWidget::keyPressEvent(event);
}

bool ConfirmablePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == filteredWindow_ && event->type() == QEvent::KeyPress)
    return handleKey(static_cast<QKeyEvent*>(event));
  return QWidget::eventFilter(watched, event);
}

bool ConfirmablePanel::handleKey(QKeyEvent* event) {
  const auto modifiers = event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
  if (modifiers != Qt::NoModifier) return false;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    create();
    return true;
  }
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    cancel();
    return true;
  }
  return false;
}

}  // namespace brindlecap
