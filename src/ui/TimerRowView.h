#pragma once

#include <memory>

#include <QFont>
#include <QPalette>
#include <QString>
#include <QWidget>

#include "platform/DateFormatter.h"
#include "platform/TimePoint.h"
#include "timers/TimerItem.h"

class QAbstractButton;
class QGraphicsOpacityEffect;
class QPropertyAnimation;

namespace brindlecap {

class TimerStore;

// One line of text that first shrinks (down to `minimumScale` of its font) and then cuts its tail
// with an ellipsis to fit its width; while cut, its tool tip is the whole text. A partner font can
// fix the line's height and baseline so labels of different sizes share a baseline in one row.
class FittedLabel : public QWidget {
  Q_OBJECT

 public:
  explicit FittedLabel(qreal minimumScale, QWidget* parent = nullptr);

  const QString& text() const { return text_; }
  // Relayouts only when the text really changes.
  void setText(const QString& text);
  void setTextFont(const QFont& font);
  void setLineFont(const QFont& font);
  void setColorRole(QPalette::ColorRole role);

  // What is drawn at the current width.
  QFont displayedFont() const;
  QString displayedText() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QFont fittedFont(int width) const;
  void textChanged();
  void refreshToolTip();

  qreal minimumScale_;
  QString text_;
  QFont font_;
  QFont lineFont_;
  bool hasLineFont_ = false;
  QPalette::ColorRole colorRole_ = QPalette::WindowText;
};

// One timer of the list: remaining time, fire time and name, and while the pointer is over it,
// "+5" and delete. The row keeps its hover state for as long as the list keeps it.
class TimerRowView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kExtendSeconds = 300;

  // `dates` must outlive the row. The store is held weakly: a row outliving it does nothing.
  TimerRowView(TimerItem item, TimePoint now, std::weak_ptr<TimerStore> store,
               const DateFormatter& dates, QWidget* parent = nullptr);

  const Uuid& id() const { return item_.id; }
  bool isHovering() const { return isHovering_; }

  // Shows `item` against `now`; labels whose text stays the same are left alone.
  void setContent(const TimerItem& item, TimePoint now);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void setHovering(bool hovering);
  void applyTextStyles();
  void extend();
  void remove();

  TimerItem item_;
  TimePoint now_;
  std::weak_ptr<TimerStore> store_;
  const DateFormatter& dates_;
  bool isHovering_ = false;

  FittedLabel* remainingLabel_;
  FittedLabel* fireTimeLabel_;
  FittedLabel* titleLabel_;
  QWidget* actions_;
  QAbstractButton* extendButton_;
  QAbstractButton* deleteButton_;
  QGraphicsOpacityEffect* actionsOpacity_;
  QPropertyAnimation* actionsFade_;
};

}  // namespace brindlecap
