#include "ui/ManualTimerView.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <QApplication>
#include <QButtonGroup>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "timers/TimeFormatting.h"
#include "ui/PanelStyle.h"

namespace brindlecap {

namespace {

constexpr int kInitialValue = 15;
constexpr int kMinimumNumberWidth = 24;

const char* const kSegmentNames[] = {"unitMinutes", "unitHours", "unitDays"};
static_assert(std::size(kSegmentNames) == allManualTimerUnits.size());

// Joined segments with rounded outer corners; the selected one filled with the accent.
QString unitPickerStyle(Color accent) {
  const QColor fill = toQColor(accent);
  return QStringLiteral(
             "QPushButton { border: 1px solid palette(mid); border-left: none;"
             " background-color: palette(button); color: palette(button-text);"
             " padding: 3px 12px; }"
             "QPushButton#unitMinutes { border-left: 1px solid palette(mid);"
             " border-top-left-radius: 6px; border-bottom-left-radius: 6px; }"
             "QPushButton#unitDays { border-top-right-radius: 6px;"
             " border-bottom-right-radius: 6px; }"
             "QPushButton:checked { background-color: %1; color: white; }"
             "QPushButton:checked:pressed { background-color: %2; }")
      .arg(cssColor(fill), cssColor(fill.darker(120)));
}

}  // namespace

ManualTimerView::ManualTimerView(const WallClock& clock, const DateFormatter& dates, Color accent,
                                 std::function<void(const std::string&, double)> onCreate,
                                 std::function<void()> onCancel, QWidget* parent)
    : ConfirmablePanel(accent, std::move(onCancel), parent),
      clock_(clock),
      dates_(dates),
      onCreate_(std::move(onCreate)),
      durationSpin_(new QSpinBox(this)),
      unitGroup_(new QButtonGroup(this)) {
  durationSpin_->setObjectName(QStringLiteral("durationSpin"));
  durationSpin_->setRange(1, largestValue(unit_));
  durationSpin_->setSingleStep(1);
  durationSpin_->setValue(kInitialValue);
  durationSpin_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* durationRow = new QHBoxLayout;
  durationRow->setSpacing(8);
  durationRow->setContentsMargins(0, 0, 0, 0);
  durationRow->addWidget(durationSpin_, 0, Qt::AlignVCenter);
  durationRow->addWidget(makeUnitPicker(accent), 0, Qt::AlignVCenter);
  durationRow->addStretch(1);
  addRowAboveName(durationRow);
  setRowSpacing(11);

  applyTextStyles();
  refreshSubtitle();

  connect(durationSpin_, &QSpinBox::valueChanged, this, [this] { refreshSubtitle(); });
  connect(unitGroup_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) setUnit(allManualTimerUnits[static_cast<std::size_t>(id)]);
  });
}

QWidget* ManualTimerView::makeUnitPicker(Color accent) {
  auto* picker = new QWidget(this);
  picker->setObjectName(QStringLiteral("unitPicker"));
  picker->setAccessibleName(QStringLiteral("Единица времени"));
  picker->setStyleSheet(unitPickerStyle(accent));
  auto* row = new QHBoxLayout(picker);
  row->setSpacing(0);
  row->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < allManualTimerUnits.size(); ++i) {
    const ManualTimerUnit unit = allManualTimerUnits[i];
    const std::string_view text = label(unit);
    auto* segment = new QPushButton(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), picker);
    segment->setObjectName(QString::fromLatin1(kSegmentNames[i]));
    segment->setCheckable(true);
    segment->setChecked(unit == unit_);
    // A click on a segment leaves focus where it was (usually the name field).
    segment->setFocusPolicy(Qt::TabFocus);
    unitGroup_->addButton(segment, static_cast<int>(i));
    row->addWidget(segment);
  }
  unitGroup_->setExclusive(true);
  return picker;
}

void ManualTimerView::setUnit(ManualTimerUnit unit) {
  if (unit == unit_) return;
  unit_ = unit;
  const int value = clampedValue(durationSpin_->value(), unit);
  {
    // The value is decided above; the range change must neither announce an intermediate value
    // nor be the thing that decides it.
    const QSignalBlocker blocker(durationSpin_);
    durationSpin_->setRange(1, largestValue(unit));
    durationSpin_->setValue(value);
  }
  refreshSubtitle();
}

double ManualTimerView::durationSeconds() const {
  return static_cast<double>(durationSpin_->value()) * secondsPerUnit(unit_);
}

void ManualTimerView::create() {
  // Copies: the host may destroy this panel from inside the callback.
  const std::string title = enteredTitle();
  const double seconds = durationSeconds();
  auto callback = onCreate_;
  if (callback) callback(title, seconds);
}

void ManualTimerView::refreshSubtitle() {
  const TimePoint now = clock_.now();
  const std::string text =
      "Сработает " + TimeFormatting::relativeFireDate(now + durationSeconds(), now, dates_);
  subtitleLabel()->setText(QString::fromStdString(text));
}

void ManualTimerView::applyTextStyles() {
  ConfirmablePanel::applyTextStyles();

  QFont digits = QApplication::font();
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
  digits.setFeature(QFont::Tag("tnum"), 1);
#endif
  // Older Qt cannot ask for tabular figures; the usual UI fonts default to them.
  durationSpin_->setFont(digits);

  // The number's frame fits the largest value of any unit (and at least kMinimumNumberWidth),
  // so switching units never shifts the row.
  const QFontMetrics metrics(digits);
  auto textWidth = [&metrics](int value) {
    return metrics.horizontalAdvance(QString::number(value));
  };
  int widest = kMinimumNumberWidth;
  for (ManualTimerUnit unit : allManualTimerUnits) {
    widest = std::max(widest, textWidth(largestValue(unit)));
  }
  const int shown =
      std::max(textWidth(durationSpin_->minimum()), textWidth(durationSpin_->maximum()));
  const int chrome = durationSpin_->sizeHint().width() - shown;
  durationSpin_->setMinimumWidth(chrome + widest);
}

}  // namespace brindlecap
