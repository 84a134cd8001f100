#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "platform/Published.h"

class QGraphicsOpacityEffect;
class QLabel;
class QPushButton;

namespace brindlecap {

class AppSettingsStore;
class KeyCapsView;
class NotificationCenter;
class SettingsSegmentedControl;
class SettingsSwitch;
class StatusDot;
class ThreadColorSwatch;

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
  StatusDot* statusDot_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QWidget* openNotificationSettings_ = nullptr;
  SettingsSegmentedControl* menuBarPicker_ = nullptr;
  std::vector<ThreadColorSwatch*> swatches_;
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
