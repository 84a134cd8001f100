#include "ui/NewTimerView.h"

#include <utility>

#include <QLabel>

#include "timers/TimeFormatting.h"

namespace brindlecap {

NewTimerView::NewTimerView(double durationSeconds, TimePoint fireDate, const WallClock& clock,
                           const DateFormatter& dates, Color accent,
                           std::function<void(const std::string&)> onCreate,
                           std::function<void()> onCancel, QWidget* parent)
    : ConfirmablePanel(accent, std::move(onCancel), parent),
      duration_(durationSeconds),
      fireDate_(fireDate),
      clock_(clock),
      dates_(dates),
      onCreate_(std::move(onCreate)) {
  applyTextStyles();
  refreshSubtitle();
}

void NewTimerView::create() {
  // Copies: the host may destroy this panel from inside the callback.
  const std::string title = enteredTitle();
  auto callback = onCreate_;
  if (callback) callback(title);
}

namespace {

// Spaces that do not break: a line too long for the panel wraps beside the middle dot only, never
// inside the duration or the date.
QString unbroken(const std::string& text) {
  return QString::fromStdString(text).replace(QLatin1Char(' '), QChar::Nbsp);
}

}  // namespace

void NewTimerView::refreshSubtitle() {
  subtitleLabel()->setText(
      unbroken("Через " + TimeFormatting::duration(duration_)) + QStringLiteral(" · ") +
      unbroken(TimeFormatting::relativeFireDate(fireDate_, clock_.now(), dates_)));
}

}  // namespace brindlecap
