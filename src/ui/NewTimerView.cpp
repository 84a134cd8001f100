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

void NewTimerView::refreshSubtitle() {
  const std::string text = "Через " + TimeFormatting::duration(duration_) + " · " +
                           TimeFormatting::relativeFireDate(fireDate_, clock_.now(), dates_);
  subtitleLabel()->setText(QString::fromStdString(text));
}

}  // namespace brindlecap
