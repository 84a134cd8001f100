#pragma once

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

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
class NewTimerView : public QWidget {
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
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void create();
  void cancel();
  bool handleKey(QKeyEvent* event);
  void refreshSubtitle();
  void applyTextStyles();

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
  QPointer<QWidget> filteredWindow_;
};

}  // namespace brindlecap
