#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "ui/ConfirmablePanel.h"

#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/DateFormatter.h"
#include "timers/ManualTimerUnit.h"

class QButtonGroup;
class QSpinBox;

namespace brindlecap {

// The composer opened from the list's plus button: a whole number of minutes, hours or days and
// an optional name, handed back through onCreate(exact field text, seconds) or onCancel(); it
// creates nothing. Every instance starts at 15 minutes with an empty name.
// `clock` and `dates` must outlive the panel.
class ManualTimerView : public ConfirmablePanel {
  Q_OBJECT

 public:
  // The height the host gives its panel; the content fits it at the default fonts.
  static constexpr int kPreferredHeight = 198;

  ManualTimerView(const WallClock& clock, const DateFormatter& dates, Color accent,
                  std::function<void(const std::string& title, double seconds)> onCreate,
                  std::function<void()> onCancel, QWidget* parent = nullptr);

 protected:
  void create() override;
  void refreshSubtitle() override;
  void applyTextStyles() override;

 private:
  QWidget* makeUnitPicker(Color accent);
  void setUnit(ManualTimerUnit unit);
  double durationSeconds() const;

  const WallClock& clock_;
  const DateFormatter& dates_;
  std::function<void(const std::string&, double)> onCreate_;
  ManualTimerUnit unit_ = ManualTimerUnit::minutes;

  QSpinBox* durationSpin_;
  QButtonGroup* unitGroup_;
};

}  // namespace brindlecap
