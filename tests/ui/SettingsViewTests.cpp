#include "app/SettingsView.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettingsStore.h"
#include "platform/linux/QtColor.h"
#include "support/FakeLoginItems.h"
#include "support/FakeNotificationCenter.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

using Defaults = testing::InMemoryDefaultsStore;

template <typename T>
T* child(const QObject* parent, const QString& name) {
  T* widget = parent->findChild<T*>(name);
  EXPECT_NE(widget, nullptr) << name.toStdString();
  return widget;
}

void clickAt(QWidget* widget, QPointF position) {
  const QPointF global = widget->mapToGlobal(position);
  QMouseEvent press(QEvent::MouseButtonPress, position, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, position, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &release);
}

void clickSegment(SettingsSegmentedControl* picker, int index) {
  clickAt(picker, picker->segmentRect(index).center());
}

// Delivers what is posted, including what layouts post while being laid out.
void settle() {
  for (int round = 0; round < 3; ++round) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
  }
}

QImage rendered(QWidget* widget) {
  QImage image(widget->size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

bool showsRing(QWidget* swatch) {
  // The top of the ring, outside the colour disc.
  return rendered(swatch).pixelColor(swatch->width() / 2, 1).alpha() > 0;
}

class SettingsViewTest : public ::testing::Test {
 protected:
  SettingsViewTest() { testing::ensureQtApplication(); }

  SettingsView& view() {
    if (!view_) {
      view_ = std::make_unique<SettingsView>(
          settings, center, [this] { ++onboardingShown; }, [this] { ++terminated; });
    }
    return *view_;
  }
  template <typename T = QWidget>
  T* find(const char* name) {
    return child<T>(&view(), QString::fromLatin1(name));
  }
  SettingsSegmentedControl* picker(const char* name) {
    return find<SettingsSegmentedControl>(name);
  }
  QString statusText() { return find<QLabel>("notificationStatusLabel")->text(); }

  testing::VirtualTime time;
  Defaults defaults;
  testing::FakeLoginItems loginItems;
  testing::FakeNotificationCenter center;
  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  int onboardingShown = 0;
  int terminated = 0;

 private:
  std::unique_ptr<SettingsView> view_;
};

TEST_F(SettingsViewTest, PickersAndSoundSwitchWriteTheirPreferenceAndFollowTheStore) {
  struct Case {
    const char* picker;
    int clicked;
    const char* key;
    Defaults::Value written;
    std::function<void()> changeInStore;
    int shownAfterStoreChange;
  };
  const std::vector<Case> cases = {
      {"completionBannerDurationPicker", 0, "settings.completionBannerDuration",
       std::string("brief"),
       [&] { settings->completionBannerDuration.set(CompletionBannerDuration::extended); }, 2},
      {"quickSnoozeIntervalPicker", 3, "settings.quickSnoozeInterval", std::int64_t{60},
       [&] { settings->quickSnoozeInterval.set(QuickSnoozeInterval::fiveMinutes); }, 0},
      {"menuBarPresentationPicker", 1, "settings.menuBarPresentation", std::string("progressOnly"),
       [&] { settings->menuBarPresentation.set(MenuBarPresentation::timeAndProgress); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picker);
    SettingsSegmentedControl* control = picker(c.picker);
    clickSegment(control, c.clicked);
    EXPECT_EQ(defaults.values.at(c.key), c.written);
    EXPECT_EQ(control->selectedIndex(), c.clicked);

    // The control follows the store without writing the value back a second time.
    const auto writesBefore = defaults.writes.size();
    c.changeInStore();
    EXPECT_EQ(control->selectedIndex(), c.shownAfterStoreChange);
    EXPECT_EQ(defaults.writes.size(), writesBefore + 1);
  }

  auto* sound = find<SettingsSwitch>("playSoundSwitch");
  EXPECT_TRUE(sound->isChecked());
  sound->click();
  EXPECT_EQ(defaults.values.at("settings.playSound"), Defaults::Value(false));
  settings->playSound.set(true);
  EXPECT_TRUE(sound->isChecked());
}

TEST_F(SettingsViewTest, ReminderPickerWritesBannerFlagFirstAndGatesTheBannerDuration) {
  std::vector<std::string> heard;
  const auto banner = settings->showMiniBanner.subscribe(
      [&](bool on) { heard.push_back("banner " + std::to_string(on)); },
      Published<bool>::Delivery::changesOnly);
  const auto system = settings->systemNotifications.subscribe(
      [&](bool on) { heard.push_back("system " + std::to_string(on)); },
      Published<bool>::Delivery::changesOnly);

  SettingsSegmentedControl* reminder = picker("reminderPresentationPicker");
  SettingsSegmentedControl* duration = picker("completionBannerDurationPicker");
  auto* opacity = qobject_cast<QGraphicsOpacityEffect*>(duration->graphicsEffect());
  ASSERT_NE(opacity, nullptr);
  EXPECT_EQ(reminder->titles(), QStringList({"Плашка", "macOS", "Оба"}));
  EXPECT_EQ(reminder->selectedIndex(), 2);

  const QString enabledTip = "Как долго плашка Brindlecap остаётся на экране";
  const QString disabledTip = "Доступно при выборе напоминания «Плашка» или «Оба»";
  struct Case {
    int segment;
    std::vector<std::string> heard;
    bool durationEnabled;
  };
  const Case cases[] = {
      {1, {"banner 0", "system 1"}, false},
      {0, {"banner 1", "system 0"}, true},
      {2, {"banner 1", "system 1"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.segment);
    heard.clear();
    clickSegment(reminder, c.segment);
    EXPECT_EQ(heard, c.heard);
    EXPECT_EQ(reminder->selectedIndex(), c.segment);
    EXPECT_EQ(duration->isEnabled(), c.durationEnabled);
    EXPECT_DOUBLE_EQ(opacity->opacity(), c.durationEnabled ? 1.0 : 0.45);
    EXPECT_EQ(duration->toolTip(), c.durationEnabled ? enabledTip : disabledTip);
  }
  const auto& last = defaults.writes;
  ASSERT_GE(last.size(), 2u);
  EXPECT_EQ(last[last.size() - 2].first, "settings.showMiniBanner");
  EXPECT_EQ(last[last.size() - 1].first, "settings.systemNotifications");

  // A disabled picker takes no clicks.
  settings->setReminderPresentation(ReminderPresentation::systemNotification);
  const auto writesBefore = defaults.writes.size();
  clickSegment(duration, 0);
  EXPECT_EQ(defaults.writes.size(), writesBefore);
  EXPECT_EQ(settings->completionBannerDuration.value(), CompletionBannerDuration::standard);
}

TEST_F(SettingsViewTest, StatusLineNamesEachPermissionBesideAGreenOrOrangeDot) {
  using S = NotificationAuthorizationStatus;
  struct Case {
    S status;
    const char* text;
    bool green;
  };
  const Case cases[] = {
      {S::notDetermined, "Разрешение ещё не запрошено", false},
      {S::denied, "Отключено в настройках macOS", false},
      {S::authorized, "Разрешено macOS", true},
      {S::provisional, "Разрешено macOS", true},
      {S::ephemeral, "Разрешено временно", false},
      {static_cast<S>(9), "Статус уведомлений неизвестен", false},
  };
  QWidget* dot = find("notificationStatusDot");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    settings->notificationAuthorizationStatus.set(c.status);
    EXPECT_EQ(statusText(), QString::fromUtf8(c.text));
    const QColor centre = rendered(dot).pixelColor(4, 4);
    EXPECT_EQ(centre.alpha(), 255);
    EXPECT_EQ(centre.green() > centre.red(), c.green) << centre.name().toStdString();
  }
}

TEST_F(SettingsViewTest, ShowingRereadsThePermissionAndButtonsReachTheirActions) {
  center.authorizationStatus = NotificationAuthorizationStatus::ephemeral;
  view();
  time.runPending();
  EXPECT_EQ(statusText(), "Разрешение ещё не запрошено");

  view().show();
  time.runPending();
  EXPECT_EQ(statusText(), "Разрешено временно");

  // The user allows notifications in the desktop's settings, then opens the window again.
  center.authorizationStatus = NotificationAuthorizationStatus::authorized;
  view().hide();
  view().show();
  time.runPending();
  EXPECT_EQ(statusText(), "Разрешено macOS");

  find<QAbstractButton>("openNotificationSettingsButton")->click();
  find<QAbstractButton>("showOnboardingButton")->click();
  find<QAbstractButton>("quitButton")->click();
  EXPECT_EQ(center.openSystemSettingsCalls, 1);
  EXPECT_EQ(onboardingShown, 1);
  EXPECT_EQ(terminated, 1);
}

TEST_F(SettingsViewTest, ShortcutMenuOffersTheSameThreeChoicesAndSavesTheOneChosen) {
  auto* button = find<QPushButton>("shortcutMenuButton");
  auto* caps = find<KeyCapsView>("shortcutKeyCaps");
  ASSERT_NE(button->menu(), nullptr);
  auto titles = [&] {
    QStringList texts;
    for (QAction* action : button->menu()->actions()) texts << action->text();
    return texts;
  };
  const QStringList offered = {"⌃⌥⌘M", "⌃⌥⌘T", "⌃⌥⌘D"};
  EXPECT_EQ(titles(), offered);
  EXPECT_EQ(caps->tokens(), (std::vector<QString>{"⌃", "⌥", "⌘", "M"}));

  button->menu()->actions().at(1)->trigger();
  const auto saved = defaults.values.find("settings.globalShortcut");
  ASSERT_NE(saved, defaults.values.end());
  EXPECT_EQ(saved->second, Defaults::Value(Defaults::Data{R"({"keyCode":17,"modifiers":6400})"}));
  EXPECT_EQ(caps->tokens(), (std::vector<QString>{"⌃", "⌥", "⌘", "T"}));
  EXPECT_EQ(titles(), offered);

  settings->globalShortcut.set(
      GlobalShortcut{99, GlobalShortcut::kShift | GlobalShortcut::kCommand});
  EXPECT_EQ(caps->tokens(), (std::vector<QString>{"⇧", "⌘", "?"}));
  EXPECT_EQ(titles(), offered);
}

TEST_F(SettingsViewTest, ErrorLinesShowOnlyWhileTheStoreHoldsAnError) {
  struct Case {
    const char* line;
    Published<std::optional<std::string>>* error;
  };
  const Case cases[] = {
      {"globalShortcutErrorLine", &settings->globalShortcutError},
      {"launchAtLoginErrorLine", &settings->launchAtLoginError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto* line = find<QLabel>(c.line);
    EXPECT_TRUE(line->isHidden());
    c.error->set("Сочетание занято");
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(line->text(), "Сочетание занято");
    c.error->set(std::nullopt);
    EXPECT_TRUE(line->isHidden());
  }
}

TEST_F(SettingsViewTest, LaunchAtLoginSwitchShowsTheLoginItemsRealState) {
  auto* toggle = find<SettingsSwitch>("launchAtLoginSwitch");
  auto* error = find<QLabel>("launchAtLoginErrorLine");
  toggle->click();
  EXPECT_EQ(loginItems.registerCalls, 1);
  EXPECT_TRUE(toggle->isChecked());

  toggle->click();
  EXPECT_EQ(loginItems.unregisterCalls, 1);
  EXPECT_FALSE(toggle->isChecked());

  loginItems.registerFailure = "нет доступа";
  toggle->click();
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_FALSE(error->isHidden());
  EXPECT_EQ(error->text(), "Не удалось изменить автозапуск: нет доступа");
}

TEST_F(SettingsViewTest, SwatchSetsTheColourMovesTheRingAndRetintsControls) {
  auto swatch = [&](ThreadColorPreset preset) {
    return child<QAbstractButton>(&view(),
                                  "threadColorSwatch_" + QString::fromUtf8(rawValue(preset)));
  };
  for (ThreadColorPreset preset : allCases<ThreadColorPreset>) {
    EXPECT_EQ(swatch(preset)->toolTip(), QString::fromUtf8(title(preset)));
    EXPECT_EQ(showsRing(swatch(preset)), preset == ThreadColorPreset::purple);
  }

  swatch(ThreadColorPreset::teal)->click();
  EXPECT_EQ(defaults.values.at("settings.threadColor"), Defaults::Value(std::string("teal")));
  for (ThreadColorPreset preset : allCases<ThreadColorPreset>)
    EXPECT_EQ(showsRing(swatch(preset)), preset == ThreadColorPreset::teal);
  const QColor teal = toQColor(color(ThreadColorPreset::teal));
  EXPECT_EQ(picker("reminderPresentationPicker")->accent(), teal);
  EXPECT_EQ(find<SettingsSwitch>("playSoundSwitch")->accent(), teal);

  const auto writesBefore = defaults.writes.size();
  swatch(ThreadColorPreset::teal)->click();
  EXPECT_EQ(defaults.writes.size(), writesBefore);
}

TEST_F(SettingsViewTest, ContentFitsTheFixedWindowEvenWithBothErrorLines) {
  settings->globalShortcutError.set(
      "Сочетание ⌃⌥⌘M уже занято другой программой. Выберите другое сочетание.");
  settings->launchAtLoginError.set("Не удалось изменить автозапуск: каталог недоступен для записи");
  view().show();
  settle();
  EXPECT_EQ(view().size(), QSize(SettingsView::kWidth, SettingsView::kHeight));
  EXPECT_LE(view().layout()->minimumSize().height(), SettingsView::kHeight);
  QWidget* quit = find("quitButton");
  EXPECT_LE(quit->mapTo(&view(), QPoint(0, quit->height())).y(), SettingsView::kHeight);

  // For a person to look at: with and without the error lines.
  const QString artifacts = qEnvironmentVariable("BRINDLECAP_ARTIFACTS");
  if (artifacts.isEmpty()) return;
  QDir().mkpath(artifacts);
  view().grab().save(QDir(artifacts).filePath("settings-view-errors.png"));
  settings->globalShortcutError.set(std::nullopt);
  settings->launchAtLoginError.set(std::nullopt);
  settle();
  view().grab().save(QDir(artifacts).filePath("settings-view.png"));
  QPalette dark = view().palette();
  dark.setColor(QPalette::Window, QColor(50, 50, 50));
  dark.setColor(QPalette::WindowText, QColor(255, 255, 255, 217));
  dark.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 140));
  dark.setColor(QPalette::Button, QColor(72, 72, 72));
  dark.setColor(QPalette::ButtonText, QColor(255, 255, 255, 217));
  view().setPalette(dark);
  settle();
  view().grab().save(QDir(artifacts).filePath("settings-view-dark.png"));
}

}  // namespace
}  // namespace brindlecap
