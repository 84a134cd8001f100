#include "ui/SettingsView.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/NotificationCenter.h"
#include "reminders/NotificationCenterBridge.h"
#include "settings/AppSettingsStore.h"
#include "settings/GlobalShortcut.h"
#include "ui/PanelStyle.h"
#include "ui/PanelWidgets.h"
#include "ui/QtColor.h"
#include "ui/SettingsControls.h"
#include "ui/SettingsRows.h"

#ifndef BRINDLECAP_VERSION
#define BRINDLECAP_VERSION ""
#endif

namespace brindlecap {

namespace {

constexpr qreal kDisabledOpacity = 0.45;

// The named system green and orange are the same values as the matching colour presets.
QColor systemGreen(const QWidget& widget) {
  return toQColor(color(ThreadColorPreset::green, isDark(widget)));
}
QColor systemOrange(const QWidget& widget) {
  return toQColor(color(ThreadColorPreset::orange, isDark(widget)));
}

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <class E>
QStringList titlesOf() {
  QStringList titles;
  for (E value : allCases<E>) titles << fromUtf8(title(value));
  return titles;
}

template <class E>
int indexOf(E value) {
  const auto& cases = allCases<E>;
  return static_cast<int>(std::find(cases.begin(), cases.end(), value) - cases.begin());
}

QString statusText(NotificationAuthorizationStatus status) {
  switch (status) {
    case NotificationAuthorizationStatus::notDetermined:
      return QStringLiteral("Разрешение ещё не запрошено");
    case NotificationAuthorizationStatus::denied:
      return QStringLiteral("Отключено в настройках системы");
    case NotificationAuthorizationStatus::authorized:
    case NotificationAuthorizationStatus::provisional:
      return QStringLiteral("Разрешено системой");
    case NotificationAuthorizationStatus::ephemeral:
      return QStringLiteral("Разрешено временно");
  }
  // A value from a newer platform than this code knows.
  return QStringLiteral("Статус уведомлений неизвестен");
}

QString versionText() {
  constexpr std::string_view kVersion = BRINDLECAP_VERSION;
  return QStringLiteral("Версия ") +
         (kVersion.empty() ? QStringLiteral("development") : fromUtf8(kVersion));
}

// An orange message under a row, shown only while there is one.
QLabel* makeErrorLine(const char* name, QWidget* parent) {
  auto* line = new QLabel(parent);
  line->setObjectName(QString::fromLatin1(name));
  line->setFont(pixelSizedFont(11));
  line->setWordWrap(true);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  line->hide();
  return line;
}

}  // namespace

SettingsView::SettingsView(std::shared_ptr<AppSettingsStore> settings,
                           NotificationCenter& notifications,
                           std::function<void()> onShowOnboarding, std::function<void()> terminate,
                           QWidget* parent)
    : QWidget(parent),
      settings_(std::move(settings)),
      notifications_(notifications),
      onShowOnboarding_(std::move(onShowOnboarding)),
      terminate_(std::move(terminate)) {
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  // Text in pixel sizes: a larger user font must not push the footer out of the fixed window.
  setFont(pixelSizedFont(12.5));
  setFocusPolicy(Qt::ClickFocus);

  auto* sections = new QVBoxLayout;
  sections->setContentsMargins(22, 12, 22, 12);
  sections->setSpacing(0);
  QWidget* const built[] = {buildNotificationsSection(), buildAppearanceSection(),
                            buildBehaviourSection(), buildHelpSection()};
  for (QWidget* section : built) {
    if (section != built[0]) {
      sections->addSpacing(8);
      sections->addWidget(new Divider(this));
      sections->addSpacing(8);
    }
    sections->addWidget(section);
  }

  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(0);
  stack->addLayout(sections);
  // Room the sections leave goes above the footer, which stays at the bottom.
  stack->addStretch(1);
  stack->addWidget(new Divider(this));
  stack->addWidget(buildFooter());

  applyColors();
  subscribe();
}

SettingsView::~SettingsView() = default;

QWidget* SettingsView::buildNotificationsSection() {
  auto* section = new SettingsSection(QStringLiteral("Уведомления"), this);

  reminderPicker_ = new SettingsSegmentedControl(titlesOf<ReminderPresentation>(), 245);
  reminderPicker_->setObjectName(QStringLiteral("reminderPresentationPicker"));
  reminderPicker_->onSelected = [this](int index) {
    settings_->setReminderPresentation(allCases<ReminderPresentation>[index]);
  };
  section->addRow(new SettingsControlRow(QStringLiteral("Способ напоминания"), reminderPicker_));

  auto* soundRow = new SettingsToggleRow(QStringLiteral("Звук"));
  soundSwitch_ = soundRow->toggle();
  soundSwitch_->setObjectName(QStringLiteral("playSoundSwitch"));
  connect(soundSwitch_, &QAbstractButton::clicked, this,
          [this](bool on) { settings_->playSound.set(on); });
  section->addRow(soundRow);

  bannerDurationPicker_ = new SettingsSegmentedControl(titlesOf<CompletionBannerDuration>(), 190);
  bannerDurationPicker_->setObjectName(QStringLiteral("completionBannerDurationPicker"));
  bannerDurationPicker_->onSelected = [this](int index) {
    settings_->completionBannerDuration.set(allCases<CompletionBannerDuration>[index]);
  };
  bannerDurationOpacity_ = new QGraphicsOpacityEffect(bannerDurationPicker_);
  bannerDurationPicker_->setGraphicsEffect(bannerDurationOpacity_);
  section->addRow(
      new SettingsControlRow(QStringLiteral("Время показа плашки"), bannerDurationPicker_));

  snoozePicker_ = new SettingsSegmentedControl(titlesOf<QuickSnoozeInterval>(), 190);
  snoozePicker_->setObjectName(QStringLiteral("quickSnoozeIntervalPicker"));
  snoozePicker_->setToolTip(QStringLiteral("Основная кнопка откладывания в напоминании"));
  snoozePicker_->onSelected = [this](int index) {
    settings_->quickSnoozeInterval.set(allCases<QuickSnoozeInterval>[index]);
  };
  section->addRow(new SettingsControlRow(QStringLiteral("Быстрое откладывание"), snoozePicker_));

  auto* status = new QWidget;
  status->setObjectName(QStringLiteral("notificationStatusLine"));
  statusDot_ = new StatusDot(status);
  statusDot_->setObjectName(QStringLiteral("notificationStatusDot"));
  statusLabel_ = new QLabel(status);
  statusLabel_->setObjectName(QStringLiteral("notificationStatusLabel"));
  statusLabel_->setFont(pixelSizedFont(12));
  secondaryLabels_.push_back(statusLabel_);
  auto* openSettings = new SecondaryActionButton(
      QStringLiteral("Настройки системы…"),
      [this] { NotificationCenterBridge::openSystemSettings(notifications_); }, status);
  openSettings->setObjectName(QStringLiteral("openNotificationSettingsButton"));
  // Left out where there is nothing to open, without moving the rows below.
  QSizePolicy keepsItsRoom = openSettings->sizePolicy();
  keepsItsRoom.setRetainSizeWhenHidden(true);
  openSettings->setSizePolicy(keepsItsRoom);
  openNotificationSettings_ = openSettings;
  auto* statusRow = new QHBoxLayout(status);
  statusRow->setContentsMargins(0, 4, 0, 0);
  statusRow->setSpacing(9);
  statusRow->addWidget(statusDot_, 0, Qt::AlignVCenter);
  statusRow->addWidget(statusLabel_, 0, Qt::AlignVCenter);
  statusRow->addStretch(1);
  statusRow->addWidget(openSettings, 0, Qt::AlignVCenter);
  section->addRow(status);
  return section;
}

QWidget* SettingsView::buildAppearanceSection() {
  auto* section = new SettingsSection(QStringLiteral("Оформление"), this);

  menuBarPicker_ = new SettingsSegmentedControl(titlesOf<MenuBarPresentation>(), 245);
  menuBarPicker_->setObjectName(QStringLiteral("menuBarPresentationPicker"));
  menuBarPicker_->onSelected = [this](int index) {
    settings_->menuBarPresentation.set(allCases<MenuBarPresentation>[index]);
  };
  section->addRow(new SettingsControlRow(QStringLiteral("Строка меню"), menuBarPicker_));

  auto* swatches = new QWidget;
  auto* swatchRow = new QHBoxLayout(swatches);
  swatchRow->setContentsMargins(0, 4, 0, 0);
  swatchRow->setSpacing(10);
  for (ThreadColorPreset preset : allCases<ThreadColorPreset>) {
    auto* swatch = new ThreadColorSwatch(preset, swatches);
    swatch->setObjectName(QStringLiteral("threadColorSwatch_") + fromUtf8(rawValue(preset)));
    connect(swatch, &QAbstractButton::clicked, this, [this, preset] {
      if (settings_->threadColor.value() != preset) settings_->threadColor.set(preset);
    });
    swatchRow->addWidget(swatch);
    swatches_.push_back(swatch);
  }
  section->addRow(new SettingsControlRow(QStringLiteral("Цвет приложения"), swatches));
  return section;
}

QWidget* SettingsView::buildBehaviourSection() {
  auto* section = new SettingsSection(QStringLiteral("Поведение"), this);

  auto* shortcut = new QWidget;
  keyCaps_ = new KeyCapsView(shortcut);
  keyCaps_->setObjectName(QStringLiteral("shortcutKeyCaps"));
  shortcutMenuButton_ = new QPushButton(QStringLiteral("Изменить…"), shortcut);
  shortcutMenuButton_->setObjectName(QStringLiteral("shortcutMenuButton"));
  auto* menu = new QMenu(shortcutMenuButton_);
  menu->setObjectName(QStringLiteral("shortcutMenu"));
  // The same three choices whatever is stored, so the titles are fixed once.
  for (const GlobalShortcut& alternative : GlobalShortcut::alternatives()) {
    QAction* action =
        menu->addAction(QString::fromStdString(alternative.hotKeyCombination().text()));
    connect(action, &QAction::triggered, this,
            [this, alternative] { settings_->globalShortcut.set(alternative); });
  }
  shortcutMenuButton_->setMenu(menu);
  auto* shortcutRow = new QHBoxLayout(shortcut);
  shortcutRow->setContentsMargins(0, 0, 0, 0);
  shortcutRow->setSpacing(6);
  shortcutRow->addWidget(keyCaps_, 0, Qt::AlignVCenter);
  shortcutRow->addWidget(shortcutMenuButton_, 0, Qt::AlignVCenter);
  section->addRow(new SettingsControlRow(QStringLiteral("Горячая клавиша"), shortcut));

  shortcutErrorLine_ = makeErrorLine("globalShortcutErrorLine", section);
  section->addRow(shortcutErrorLine_);

  auto* launchRow = new SettingsToggleRow(QStringLiteral("Запускать при входе в систему"));
  launchAtLoginSwitch_ = launchRow->toggle();
  launchAtLoginSwitch_->setObjectName(QStringLiteral("launchAtLoginSwitch"));
  // The store answers with the login item's real state, which the switch then shows.
  connect(launchAtLoginSwitch_, &QAbstractButton::clicked, this,
          [this](bool on) { settings_->setLaunchAtLogin(on); });
  section->addRow(launchRow);

  launchAtLoginErrorLine_ = makeErrorLine("launchAtLoginErrorLine", section);
  section->addRow(launchAtLoginErrorLine_);
  return section;
}

QWidget* SettingsView::buildHelpSection() {
  auto* section = new SettingsSection(QStringLiteral("Справка"), this);
  auto* show = new SecondaryActionButton(QStringLiteral("Показать"), [this] {
    auto callback = onShowOnboarding_;
    if (callback) callback();
  });
  show->setObjectName(QStringLiteral("showOnboardingButton"));
  section->addRow(new SettingsControlRow(QStringLiteral("Знакомство с Brindlecap"), show));
  return section;
}

QWidget* SettingsView::buildFooter() {
  auto* footer = new QWidget(this);
  footer->setFixedHeight(42);
  versionLabel_ = new QLabel(versionText(), footer);
  versionLabel_->setObjectName(QStringLiteral("versionLabel"));
  versionLabel_->setFont(pixelSizedFont(12));
  versionLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  secondaryLabels_.push_back(versionLabel_);
  auto* quit = new SecondaryActionButton(
      QStringLiteral("Завершить Brindlecap"),
      [this] {
        auto callback = terminate_;
        if (callback) callback();
      },
      footer);
  quit->setObjectName(QStringLiteral("quitButton"));
  auto* row = new QHBoxLayout(footer);
  row->setContentsMargins(22, 0, 22, 0);
  row->addWidget(versionLabel_, 0, Qt::AlignVCenter);
  row->addStretch(1);
  row->addWidget(quit, 0, Qt::AlignVCenter);
  return footer;
}

void SettingsView::subscribe() {
  AppSettingsStore& s = *settings_;
  // Each control is only told the stored value; none of these writes back.
  subscriptions_.push_back(
      s.showMiniBanner.subscribe([this](bool) { showReminderPresentation(); }));
  subscriptions_.push_back(
      s.systemNotifications.subscribe([this](bool) { showReminderPresentation(); }));
  subscriptions_.push_back(
      s.playSound.subscribe([this](bool on) { soundSwitch_->setChecked(on); }));
  subscriptions_.push_back(
      s.completionBannerDuration.subscribe([this](const CompletionBannerDuration& value) {
        bannerDurationPicker_->setSelectedIndex(indexOf(value));
      }));
  subscriptions_.push_back(
      s.quickSnoozeInterval.subscribe([this](const QuickSnoozeInterval& value) {
        snoozePicker_->setSelectedIndex(indexOf(value));
      }));
  subscriptions_.push_back(s.notificationAuthorizationStatus.subscribe(
      [this](const NotificationAuthorizationStatus&) { showNotificationStatus(); }));
  subscriptions_.push_back(
      s.menuBarPresentation.subscribe([this](const MenuBarPresentation& value) {
        menuBarPicker_->setSelectedIndex(indexOf(value));
      }));
  subscriptions_.push_back(
      s.threadColor.subscribe([this](const ThreadColorPreset&) { showThreadColor(); }));
  subscriptions_.push_back(
      s.globalShortcut.subscribe([this](const GlobalShortcut&) { showShortcut(); }));
  subscriptions_.push_back(s.globalShortcutError.subscribe(
      [this](const std::optional<std::string>& error) { showError(shortcutErrorLine_, error); }));
  subscriptions_.push_back(
      s.launchAtLogin.subscribe([this](bool on) { launchAtLoginSwitch_->setChecked(on); }));
  subscriptions_.push_back(
      s.launchAtLoginError.subscribe([this](const std::optional<std::string>& error) {
        showError(launchAtLoginErrorLine_, error);
      }));
}

void SettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Holding the focus itself keeps the window from handing it, with its ring, to the first
  // control; Tab still walks through them.
  if (!focusWidget()) setFocus(Qt::OtherFocusReason);
  NotificationCenterBridge::refresh(notifications_, *settings_);
  // A desktop without a notification settings program we know gets no button for one.
  openNotificationSettings_->setVisible(
      NotificationCenterBridge::canOpenSystemSettings(notifications_));
}

void SettingsView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Setting up the view's own palette sends one before the controls exist.
  if (event->type() == QEvent::PaletteChange && !subscriptions_.empty()) applyColors();
}

void SettingsView::showReminderPresentation() {
  reminderPicker_->setSelectedIndex(indexOf(settings_->reminderPresentation()));
  const bool bannerShown = settings_->showMiniBanner.value();
  bannerDurationPicker_->setEnabled(bannerShown);
  bannerDurationOpacity_->setOpacity(bannerShown ? 1.0 : kDisabledOpacity);
  bannerDurationPicker_->setToolTip(
      bannerShown ? QStringLiteral("Как долго плашка Brindlecap остаётся на экране")
                  : QStringLiteral("Доступно при выборе напоминания «Плашка» или «Оба»"));
}

void SettingsView::showNotificationStatus() {
  statusLabel_->setText(statusText(settings_->notificationAuthorizationStatus.value()));
  statusDot_->setColor(settings_->notificationsAreAllowed() ? systemGreen(*this)
                                                            : systemOrange(*this));
}

void SettingsView::showThreadColor() {
  const ThreadColorPreset current = settings_->threadColor.value();
  for (ThreadColorSwatch* swatch : swatches_) swatch->setCurrent(swatch->preset() == current);
  const QColor accent = toQColor(color(current, isDark(*this)));
  for (SettingsSegmentedControl* picker :
       {reminderPicker_, bannerDurationPicker_, snoozePicker_, menuBarPicker_})
    picker->setAccent(accent);
  for (SettingsSwitch* toggle : {soundSwitch_, launchAtLoginSwitch_}) toggle->setAccent(accent);
}

void SettingsView::showShortcut() {
  keyCaps_->setTokens(settings_->globalShortcut.value().displayTokens());
}

void SettingsView::showError(QLabel* line, const std::optional<std::string>& error) {
  const bool shown = error && !error->empty();
  line->setText(shown ? QString::fromStdString(*error) : QString());
  line->setVisible(shown);
}

void SettingsView::applyColors() {
  for (QLabel* label : secondaryLabels_) setTextColor(*label, secondaryColor(*this));
  for (QLabel* line : {shortcutErrorLine_, launchAtLoginErrorLine_})
    setTextColor(*line, systemOrange(*this));
  // The accent and the dot have light and dark variants.
  if (!subscriptions_.empty()) {
    showThreadColor();
    showNotificationStatus();
  }
}

}  // namespace brindlecap
