#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QColor>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include "settings/AppSettingsTypes.h"

namespace brindlecap {

class HoverFade;

// A switch-style toggle without a label (32 × 18). Its track takes the accent while on. Toggling
// by the user emits clicked(bool); setChecked is silent toward the store.
class SettingsSwitch : public QAbstractButton {
 public:
  explicit SettingsSwitch(QWidget* parent = nullptr);

  void setAccent(const QColor& accent);
  const QColor& accent() const { return accent_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor accent_;
};

// Equally wide segments of which one is selected, filled with the accent. Only a choice made with
// the pointer or the arrow keys calls onSelected; setSelectedIndex never does.
class SettingsSegmentedControl : public QWidget {
 public:
  SettingsSegmentedControl(QStringList titles, int width, QWidget* parent = nullptr);

  const QStringList& titles() const { return titles_; }
  int selectedIndex() const { return selected_; }
  void setSelectedIndex(int index);
  void setAccent(const QColor& accent);
  const QColor& accent() const { return accent_; }
  // Segment `index` in the control's own coordinates.
  QRectF segmentRect(int index) const;

  std::function<void(int index)> onSelected;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int segmentAt(QPointF position) const;
  void choose(int index);

  QStringList titles_;
  int selected_ = -1;
  int pressed_ = -1;
  QColor accent_;
};

// The small outlined button for secondary actions; hover fades in over 0.12 s.
class SecondaryActionButton : public QAbstractButton {
 public:
  SecondaryActionButton(const QString& title, std::function<void()> action,
                        QWidget* parent = nullptr);

  bool isHovering() const;
  QSize sizeHint() const override;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void()> action_;
  HoverFade* hover_;
};

// The key caps of a shortcut, one rounded cap per display token, in a box 26 high and 92 wide or
// as wide as the caps need.
class KeyCapsView : public QWidget {
 public:
  explicit KeyCapsView(QWidget* parent = nullptr);

  const std::vector<QString>& tokens() const { return tokens_; }
  void setTokens(const std::vector<std::string>& tokens);
  // Where each token's cap is drawn, in the view's coordinates.
  std::vector<QRectF> capRects() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QString> tokens_;
};

// One colour choice (27 × 27): the preset's disc, ringed while it is the current colour. Its
// tool tip names the colour.
class ThreadColorSwatch : public QAbstractButton {
 public:
  ThreadColorSwatch(ThreadColorPreset preset, QWidget* parent = nullptr);

  ThreadColorPreset preset() const { return preset_; }
  void setCurrent(bool current);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ThreadColorPreset preset_;
  bool current_ = false;
};

// A 9 × 9 disc in one colour: the notification permission's traffic light.
class StatusDot : public QWidget {
 public:
  explicit StatusDot(QWidget* parent = nullptr);

  void setColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

}  // namespace brindlecap
