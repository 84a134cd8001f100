#include "ui/ConfirmablePanel.h"

#include <utility>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/PanelStyle.h"

namespace brindlecap {

ConfirmablePanel::ConfirmablePanel(Color accent, std::function<void()> onCancel, QWidget* parent)
    : QWidget(parent),
      onCancel_(std::move(onCancel)),
      titleLabel_(new QLabel(QStringLiteral("Новый таймер"), this)),
      subtitleLabel_(new QLabel(this)),
      nameField_(new QLineEdit(this)),
      cancelButton_(new QPushButton(QStringLiteral("Отмена"), this)),
      createButton_(new QPushButton(QStringLiteral("Создать"), this)),
      stack_(new QVBoxLayout(this)) {
  titleLabel_->setObjectName(QStringLiteral("titleLabel"));
  subtitleLabel_->setObjectName(QStringLiteral("subtitleLabel"));
  nameField_->setObjectName(QStringLiteral("nameField"));
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  createButton_->setObjectName(QStringLiteral("createButton"));
  setFocusTarget(nameField_);

  // A subtitle longer than the panel is wide takes a second line; the host makes room for it.
  subtitleLabel_->setWordWrap(true);
  nameField_->setPlaceholderText(QStringLiteral("Название (необязательно)"));
  createButton_->setDefault(true);
  createButton_->setStyleSheet(prominentButtonStyle(accent));

  auto* header = new QVBoxLayout;
  header->setSpacing(3);
  header->setContentsMargins(0, 0, 0, 0);
  header->addWidget(titleLabel_);
  header->addWidget(subtitleLabel_);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addWidget(cancelButton_, 0, Qt::AlignVCenter);
  buttons->addStretch(1);
  buttons->addWidget(createButton_, 0, Qt::AlignVCenter);

  stack_->setSpacing(12);
  stack_->setContentsMargins(14, 14, 14, 14);
  stack_->addLayout(header);
  stack_->addWidget(nameField_);
  stack_->addLayout(buttons);
  setFixedWidth(kWidth);

  // Return in the fields is not wired to returnPressed or editingFinished: they leave the key to
  // us, and handling it here alone keeps one Return from creating twice.
  connect(nameField_, &QLineEdit::textChanged, this, [this] { refreshSubtitle(); });
  connect(createButton_, &QPushButton::clicked, this, [this] { create(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
}

QSize ConfirmablePanel::sizeHint() const {
  return {kWidth, heightForWidth(kWidth)};
}

void ConfirmablePanel::cancel() {
  // A copy: the host may destroy this panel from inside the callback.
  auto callback = onCancel_;
  if (callback) callback();
}

void ConfirmablePanel::applyTextStyles() {
  titleLabel_->setFont(resizedAppFont(2, true));
  subtitleLabel_->setFont(resizedAppFont(-1, false));
  QPalette dimmed = subtitleLabel_->palette();
  dimmed.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
  subtitleLabel_->setPalette(dimmed);
}

void ConfirmablePanel::addRowAboveName(QLayout* row) {
  stack_->insertLayout(stack_->indexOf(nameField_), row);
}

void ConfirmablePanel::setRowSpacing(int spacing) {
  stack_->setSpacing(spacing);
}

std::string ConfirmablePanel::enteredTitle() const {
  return nameField_->text().toStdString();
}

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
