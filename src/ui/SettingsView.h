#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QColor>
#include <QStringList>
#include <QWidget>

#include "platform/Published.h"

class QGraphicsOpacityEffect;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace brindlecap {

class AppSettingsStore;
class HoverFade;
class NotificationCenter;

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

// A titled group: the title in 14 semibold, then its rows, all 6 apart.
class SettingsSection : public QWidget {
 public:
  SettingsSection(const QString& title, QWidget* parent = nullptr);

  void addRow(QWidget* row);
  QLabel* titleLabel() const { return title_; }

 private:
  QLabel* title_;
  QVBoxLayout* stack_;
};

// A row: the title on the left, at least 12 of space, the control on the right.
class SettingsControlRow : public QWidget {
 public:
  SettingsControlRow(const QString& title, QWidget* control, QWidget* parent = nullptr);

  QLabel* titleLabel() const { return title_; }

 private:
  QLabel* title_;
};

// A row ending in a switch.
class SettingsToggleRow : public SettingsControlRow {
 public:
  explicit SettingsToggleRow(const QString& title, QWidget* parent = nullptr);

  SettingsSwitch* toggle() const { return toggle_; }

 private:
  explicit SettingsToggleRow(const QString& title, SettingsSwitch* toggle, QWidget* parent);

  SettingsSwitch* toggle_;
};

// The key caps of a shortcut in a 92 × 26 box, one rounded cap per display token.
class KeyCapsView : public QWidget {
 public:
  explicit KeyCapsView(QWidget* parent = nullptr);

  const std::vector<QString>& tokens() const { return tokens_; }
  void setTokens(const std::vector<std::string>& tokens);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QString> tokens_;
};

// The settings window's content: notifications, appearance, behaviour and help sections bound
// both ways to `settings`, and a footer with the version and a quit button. `notifications` must
// outlive the view. Every change is written at once.
class SettingsView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 460;
  static constexpr int kHeight = 590;

  SettingsView(std::shared_ptr<AppSettingsStore> settings, NotificationCenter& notifications,
               std::function<void()> onShowOnboarding, std::function<void()> terminate,
               QWidget* parent = nullptr);
  ~SettingsView() override;

 protected:
  // Re-reads the notification permission, which the user may have changed meanwhile.
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* buildNotificationsSection();
  QWidget* buildAppearanceSection();
  QWidget* buildBehaviourSection();
  QWidget* buildHelpSection();
  QWidget* buildFooter();
  void subscribe();

  void showReminderPresentation();
  void showNotificationStatus();
  void showThreadColor();
  void showShortcut();
  void showError(QLabel* line, const std::optional<std::string>& error);
  void applyColors();

  std::shared_ptr<AppSettingsStore> settings_;
  NotificationCenter& notifications_;
  std::function<void()> onShowOnboarding_;
  std::function<void()> terminate_;

  SettingsSegmentedControl* reminderPicker_ = nullptr;
  SettingsSwitch* soundSwitch_ = nullptr;
  SettingsSegmentedControl* bannerDurationPicker_ = nullptr;
  QGraphicsOpacityEffect* bannerDurationOpacity_ = nullptr;
  SettingsSegmentedControl* snoozePicker_ = nullptr;
  QWidget* statusDot_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  SettingsSegmentedControl* menuBarPicker_ = nullptr;
  std::vector<QAbstractButton*> swatches_;
  KeyCapsView* keyCaps_ = nullptr;
  QPushButton* shortcutMenuButton_ = nullptr;
  QLabel* shortcutErrorLine_ = nullptr;
  SettingsSwitch* launchAtLoginSwitch_ = nullptr;
  QLabel* launchAtLoginErrorLine_ = nullptr;
  QLabel* versionLabel_ = nullptr;
  std::vector<QLabel*> secondaryLabels_;

  // Last, so they are dropped before any widget they would touch.
  std::vector<Subscription> subscriptions_;
};

}  // namespace brindlecap
