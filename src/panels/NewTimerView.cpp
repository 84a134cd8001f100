#include "panels/NewTimerView.h"

#include <utility>

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "panels/PanelStyle.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {

namespace {}  // namespace

NewTimerView::NewTimerView(double durationSeconds, TimePoint fireDate, const WallClock& clock,
                           const DateFormatter& dates, Color accent,
                           std::function<void(const std::string&)> onCreate,
                           std::function<void()> onCancel, QWidget* parent)
    : ConfirmablePanel(parent),
      duration_(durationSeconds),
      fireDate_(fireDate),
      clock_(clock),
      dates_(dates),
      onCreate_(std::move(onCreate)),
      onCancel_(std::move(onCancel)),
      titleLabel_(new QLabel(QStringLiteral("Новый таймер"), this)),
      subtitleLabel_(new QLabel(this)),
      nameField_(new QLineEdit(this)),
      cancelButton_(new QPushButton(QStringLiteral("Отмена"), this)),
      createButton_(new QPushButton(QStringLiteral("Создать"), this)) {
  titleLabel_->setObjectName(QStringLiteral("titleLabel"));
  subtitleLabel_->setObjectName(QStringLiteral("subtitleLabel"));
  nameField_->setObjectName(QStringLiteral("nameField"));
  setFocusTarget(nameField_);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  createButton_->setObjectName(QStringLiteral("createButton"));

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

  auto* stack = new QVBoxLayout(this);
  stack->setSpacing(12);
  stack->setContentsMargins(14, 14, 14, 14);
  stack->addLayout(header);
  stack->addWidget(nameField_);
  stack->addLayout(buttons);

  setFixedWidth(kWidth);
  applyTextStyles();
  refreshSubtitle();

  // Return in the field is not wired to returnPressed: the field leaves the key to us, and
  // handling it here alone keeps a single Return from creating twice.
  connect(nameField_, &QLineEdit::textChanged, this, [this] { refreshSubtitle(); });
  connect(createButton_, &QPushButton::clicked, this, [this] { create(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
}

QSize NewTimerView::sizeHint() const {
  return {kWidth, layout()->sizeHint().height()};
}

void NewTimerView::aboutToShow() {
  refreshSubtitle();
}

void NewTimerView::create() {
  // Copies: the host may destroy this panel from inside the callback.
  const std::string title = nameField_->text().toStdString();
  auto callback = onCreate_;
  if (callback) callback(title);
}

void NewTimerView::cancel() {
  auto callback = onCancel_;
  if (callback) callback();
}

void NewTimerView::refreshSubtitle() {
  const std::string text = "Через " + TimeFormatting::duration(duration_) + " · " +
                           TimeFormatting::relativeFireDate(fireDate_, clock_.now(), dates_);
  subtitleLabel_->setText(QString::fromStdString(text));
}

void NewTimerView::applyTextStyles() {
  titleLabel_->setFont(resizedAppFont(2, true));
  subtitleLabel_->setFont(resizedAppFont(-1, false));
  QPalette dimmed = subtitleLabel_->palette();
  dimmed.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
  subtitleLabel_->setPalette(dimmed);
}

}  // namespace brindlecap
