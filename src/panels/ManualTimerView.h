#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "panels/ConfirmablePanel.h"

#include "panels/ManualTimerUnit.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/DateFormatter.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace brindlecap {

// The composer opened from the list's plus button: a whole number of minutes, hours or days and
// an optional name, handed back through onCreate(exact field text, seconds) or onCancel(); it
// creates nothing. Every instance starts at 15 minutes with an empty name.
// `clock` and `dates` must outlive the panel.
class ManualTimerView : public ConfirmablePanel {
  Q_OBJECT

 public:
  static constexpr int kWidth = 300;
  // The height the host gives its panel; the content fits it at the default fonts.
  static constexpr int kPreferredHeight = 198;

  ManualTimerView(const WallClock& clock, const DateFormatter& dates, Color accent,
                  std::function<void(const std::string& title, double seconds)> onCreate,
                  std::function<void()> onCancel, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void create() override;
  void cancel() override;
  void aboutToShow() override;
  void applyTextStyles() override;

 private:
  QWidget* makeUnitPicker(Color accent);
  void setUnit(ManualTimerUnit unit);
  double durationSeconds() const;
  void refreshSubtitle();

  const WallClock& clock_;
  const DateFormatter& dates_;
  std::function<void(const std::string&, double)> onCreate_;
  std::function<void()> onCancel_;
  ManualTimerUnit unit_ = ManualTimerUnit::minutes;

  QLabel* titleLabel_;
  QLabel* subtitleLabel_;
  QSpinBox* durationSpin_;
  QButtonGroup* unitGroup_;
  QLineEdit* nameField_;
  QPushButton* cancelButton_;
  QPushButton* createButton_;
};

}  // namespace brindlecap
