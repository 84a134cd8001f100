#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "ui/ConfirmablePanel.h"

#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/DateFormatter.h"
#include "platform/TimePoint.h"

namespace brindlecap {

// The naming panel shown after a drag: states the duration and fire time, takes an optional name
// and hands the decision back through onCreate(exact field text) or onCancel(); it creates nothing.
// `clock` and `dates` must outlive the panel.
class NewTimerView : public ConfirmablePanel {
  Q_OBJECT

 public:
  // The height the host gives its popover; the content fits it at the default fonts.
  static constexpr int kPreferredHeight = 142;

  NewTimerView(double durationSeconds, TimePoint fireDate, const WallClock& clock,
               const DateFormatter& dates, Color accent,
               std::function<void(const std::string&)> onCreate, std::function<void()> onCancel,
               QWidget* parent = nullptr);

 protected:
  void create() override;
  void refreshSubtitle() override;

 private:
  double duration_;
  TimePoint fireDate_;
  const WallClock& clock_;
  const DateFormatter& dates_;
  std::function<void(const std::string&)> onCreate_;
};

}  // namespace brindlecap
