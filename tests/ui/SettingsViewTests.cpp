#include "ui/SettingsView.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/AppSettingsStore.h"
#include "support/FakeAppPlatform.h"
#include "support/QtTestApplication.h"
#include "ui/QtColor.h"
#include "ui/SettingsControls.h"

namespace brindlecap {
namespace {

using Defaults = testing::InMemoryDefaultsStore;
using Tokens = std::vector<QString>;

void clickSegment(SettingsSegmentedControl* picker, int index) {
  testing::leftClick(picker, picker->segmentRect(index).center());
}

class SettingsViewTest : public ::testing::Test, public testing::FakeAppPlatform {
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
  T* find(const QString& name) {
    return testing::child<T>(&view(), name);
  }
  QString statusText() { return find<QLabel>("notificationStatusLabel")->text(); }

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
    auto* control = find<SettingsSegmentedControl>(c.picker);
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
  auto* reminder = find<SettingsSegmentedControl>("reminderPresentationPicker");
  auto* duration = find<SettingsSegmentedControl>("completionBannerDurationPicker");
  auto* opacity = qobject_cast<QGraphicsOpacityEffect*>(duration->graphicsEffect());
  ASSERT_NE(opacity, nullptr);
  EXPECT_EQ(reminder->titles(), (QStringList{"Плашка", "Система", "Оба"}));
  EXPECT_EQ(reminder->selectedIndex(), 2);
  using Writes = std::vector<std::pair<std::string, Defaults::Value>>;
  const std::vector<std::tuple<int, bool, bool>> cases{
      {1, false, true}, {0, true, false}, {2, true, true}};
  for (const auto& [segment, banner, system] : cases) {
    SCOPED_TRACE(segment);
    defaults.writes.clear();
    clickSegment(reminder, segment);
    EXPECT_EQ(defaults.writes, (Writes{{"settings.showMiniBanner", banner},
                                       {"settings.systemNotifications", system}}));
    EXPECT_EQ(reminder->selectedIndex(), segment);
    EXPECT_EQ(duration->isEnabled(), banner);
    EXPECT_DOUBLE_EQ(opacity->opacity(), banner ? 1.0 : 0.45);
  }
  // A disabled picker takes no clicks.
  settings->setReminderPresentation(ReminderPresentation::systemNotification);
  defaults.writes.clear();
  clickSegment(duration, 0);
  EXPECT_TRUE(defaults.writes.empty());
}

TEST_F(SettingsViewTest, StatusLineNamesEachPermissionBesideAGreenOrOrangeDot) {
  using S = NotificationAuthorizationStatus;
  const std::vector<std::tuple<S, const char*, bool>> cases{
      {S::notDetermined, "Разрешение ещё не запрошено", false},
      {S::denied, "Отключено в настройках системы", false},
      {S::authorized, "Разрешено системой", true},
      {S::provisional, "Разрешено системой", true},
      {S::ephemeral, "Разрешено временно", false},
      {static_cast<S>(9), "Статус уведомлений неизвестен", false},
  };
  QWidget* dot = find("notificationStatusDot");
  for (const auto& [status, text, green] : cases) {
    SCOPED_TRACE(text);
    settings->notificationAuthorizationStatus.set(status);
    EXPECT_EQ(statusText(), QString::fromUtf8(text));
    const QColor centre = testing::rendered(dot).pixelColor(4, 4);
    EXPECT_EQ(centre.alpha(), 255);
    EXPECT_EQ(centre.green() > centre.red(), green) << centre.name().toStdString();
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
  EXPECT_EQ(statusText(), "Разрешено системой");

  auto* openSettings = find<QAbstractButton>("openNotificationSettingsButton");
  EXPECT_TRUE(openSettings->isVisibleTo(&view()));
  openSettings->click();
  find<QAbstractButton>("showOnboardingButton")->click();
  find<QAbstractButton>("quitButton")->click();
  EXPECT_EQ(center.openSystemSettingsCalls, 1);
  EXPECT_EQ(onboardingShown, 1);
  EXPECT_EQ(terminated, 1);
  // A desktop whose notification settings cannot be opened gets no button for them.
  center.hasSystemSettings = false;
  view().hide();
  view().show();
  EXPECT_FALSE(openSettings->isVisibleTo(&view()));
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
  const QStringList offered = {"Ctrl+Alt+Super+M", "Ctrl+Alt+Super+T", "Ctrl+Alt+Super+D"};
  EXPECT_EQ(titles(), offered);
  EXPECT_EQ(caps->tokens(), (Tokens{"Ctrl", "Alt", "Super", "M"}));

  button->menu()->actions().at(1)->trigger();
  EXPECT_EQ(settings->globalShortcut.value(), GlobalShortcut::alternatives()[1]);
  EXPECT_EQ(caps->tokens(), (Tokens{"Ctrl", "Alt", "Super", "T"}));
  settings->globalShortcut.set(
      GlobalShortcut{99, GlobalShortcut::kShift | GlobalShortcut::kCommand});
  EXPECT_EQ(caps->tokens(), (Tokens{"Shift", "Super", "?"}));
  EXPECT_EQ(titles(), offered);

  // Each cap holds its whole word, inside the box, and the row still fits the window.
  for (const GlobalShortcut& shortcut : GlobalShortcut::alternatives()) {
    settings->globalShortcut.set(shortcut);
    view().layout()->activate();
    const auto rects = caps->capRects();
    ASSERT_EQ(rects.size(), caps->tokens().size());
    for (std::size_t i = 0; i < rects.size(); ++i) {
      EXPECT_LE(caps->fontMetrics().horizontalAdvance(caps->tokens()[i]), rects[i].width());
      EXPECT_TRUE(QRectF(caps->rect()).contains(rects[i])) << caps->tokens()[i].toStdString();
    }
    EXPECT_LE(button->mapTo(&view(), QPoint(button->width(), 0)).x(), SettingsView::kWidth - 22);
  }
}

TEST_F(SettingsViewTest, SwatchSetsTheColourMovesTheRingAndRetintsControls) {
  auto swatch = [&](ThreadColorPreset preset) {
    return find<QAbstractButton>("threadColorSwatch_" + QString::fromUtf8(rawValue(preset)));
  };
  // The top of the ring, outside the colour disc.
  auto ringed = [&](ThreadColorPreset preset) {
    QWidget* s = swatch(preset);
    return testing::rendered(s).pixelColor(s->width() / 2, 1).alpha() > 0;
  };
  for (ThreadColorPreset current : {ThreadColorPreset::purple, ThreadColorPreset::teal}) {
    if (current != ThreadColorPreset::purple) swatch(current)->click();
    for (ThreadColorPreset preset : allCases<ThreadColorPreset>)
      EXPECT_EQ(ringed(preset), preset == current) << rawValue(preset);
  }
  EXPECT_EQ(find<SettingsSwitch>("playSoundSwitch")->accent(),
            toQColor(color(ThreadColorPreset::teal)));
  const auto writesBefore = defaults.writes.size();
  swatch(ThreadColorPreset::teal)->click();
  EXPECT_EQ(defaults.writes.size(), writesBefore);
}

TEST_F(SettingsViewTest, ErrorLinesShowWhileTheStoreHoldsOneAndStillFitTheWindow) {
  auto* shortcutError = find<QLabel>("globalShortcutErrorLine");
  const QString taken = "Сочетание Ctrl+Alt+Super+M уже занято. Выберите другое сочетание.";
  settings->globalShortcutError.set(taken.toStdString());
  EXPECT_FALSE(shortcutError->isHidden());
  EXPECT_EQ(shortcutError->text(), taken);

  // The launch-at-login switch shows what the login items really did.
  auto* toggle = find<SettingsSwitch>("launchAtLoginSwitch");
  EXPECT_EQ(toggle->accessibleName(), "Запускать при входе в систему");
  auto* loginError = find<QLabel>("launchAtLoginErrorLine");
  EXPECT_TRUE(loginError->isHidden());
  loginItems.registerFailure = "каталог недоступен для записи";
  toggle->click();
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_FALSE(loginError->isHidden());
  EXPECT_EQ(loginError->text(), "Не удалось изменить автозапуск: каталог недоступен для записи");

  view().show();
  testing::settle();
  EXPECT_EQ(view().size(), QSize(SettingsView::kWidth, SettingsView::kHeight));
  EXPECT_LE(view().layout()->minimumSize().height(), SettingsView::kHeight);
  QWidget* quit = find("quitButton");
  EXPECT_LE(quit->mapTo(&view(), QPoint(0, quit->height())).y(), SettingsView::kHeight);

  settings->globalShortcutError.set(std::nullopt);
  EXPECT_TRUE(shortcutError->isHidden());
}

}  // namespace
}  // namespace brindlecap
