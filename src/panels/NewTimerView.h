#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "panels/ConfirmablePanel.h"

#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/DateFormatter.h"
#include "platform/TimePoint.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace brindlecap {

// The naming panel shown after a drag: states the duration and fire time, takes an optional name
// and hands the decision back through onCreate(exact field text) or onCancel(); it creates nothing.
// `clock` and `dates` must outlive the panel.
class NewTimerView : public ConfirmablePanel {
  Q_OBJECT

 public:
  static constexpr int kWidth = 300;
  // The height the host gives its popover; the content fits it at the default fonts.
  static constexpr int kPreferredHeight = 142;

  NewTimerView(double durationSeconds, TimePoint fireDate, const WallClock& clock,
               const DateFormatter& dates, Color accent,
               std::function<void(const std::string&)> onCreate, std::function<void()> onCancel,
               QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void create() override;
  void cancel() override;
  void aboutToShow() override;
  void applyTextStyles() override;

 private:
  void refreshSubtitle();

  double duration_;
  TimePoint fireDate_;
  const WallClock& clock_;
  const DateFormatter& dates_;
  std::function<void(const std::string&)> onCreate_;
  std::function<void()> onCancel_;

  QLabel* titleLabel_;
  QLabel* subtitleLabel_;
  QLineEdit* nameField_;
  QPushButton* cancelButton_;
  QPushButton* createButton_;
};

}  // namespace brindlecap
