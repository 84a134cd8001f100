#include "ui/SettingsView.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/NotificationCenter.h"
#include "reminders/NotificationCenterBridge.h"
#include "settings/AppSettingsStore.h"
#include "settings/GlobalShortcut.h"
#include "ui/PanelStyle.h"
#include "ui/PanelWidgets.h"
#include "ui/QtColor.h"

#ifndef BRINDLECAP_VERSION
#define BRINDLECAP_VERSION ""
#endif

namespace brindlecap {

namespace {

constexpr int kSegmentedHeight = 22;
constexpr int kSwitchWidth = 32;
constexpr int kSwitchHeight = 18;
constexpr int kSwatchSide = 27;
constexpr qreal kSwatchDisc = 19;
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

QString joinedTokens(const GlobalShortcut& shortcut) {
  QString joined;
  for (const std::string& token : shortcut.displayTokens()) joined += QString::fromStdString(token);
  return joined;
}

QString statusText(NotificationAuthorizationStatus status) {
  switch (status) {
    case NotificationAuthorizationStatus::notDetermined:
      return QStringLiteral("Разрешение ещё не запрошено");
    case NotificationAuthorizationStatus::denied:
      return QStringLiteral("Отключено в настройках macOS");
    case NotificationAuthorizationStatus::authorized:
    case NotificationAuthorizationStatus::provisional:
      return QStringLiteral("Разрешено macOS");
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

void paintFocusRing(QPainter& painter, const QRectF& box, qreal radius, const QColor& accent) {
  painter.setPen(QPen(withAlpha(accent, 0.6), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), radius, radius);
}

// The permission's traffic light.
class StatusDot : public QWidget {
 public:
  explicit StatusDot(QWidget* parent) : QWidget(parent) { setFixedSize(9, 9); }

  void setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(rect()));
  }

 private:
  QColor color_;
};

// One colour choice: the preset's disc, ringed while it is the current colour.
class ThreadColorSwatch : public QAbstractButton {
 public:
  ThreadColorSwatch(ThreadColorPreset preset, QWidget* parent)
      : QAbstractButton(parent), preset_(preset) {
    setFixedSize(kSwatchSide, kSwatchSide);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(fromUtf8(title(preset)));
    setAccessibleName(toolTip());
  }

  ThreadColorPreset preset() const { return preset_; }

  void setCurrent(bool current) {
    if (current == current_) return;
    current_ = current;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    if (current_) {
      painter.setPen(QPen(withAlpha(secondaryColor(*this), 0.35), 3));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(box.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(color(preset_, isDark(*this))));
    const qreal inset = (kSwatchSide - kSwatchDisc) / 2;
    painter.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
  }

 private:
  ThreadColorPreset preset_;
  bool current_ = false;
};

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

// SettingsSwitch

SettingsSwitch::SettingsSwitch(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::TabFocus);
  setFixedSize(kSwitchWidth, kSwitchHeight);
}

void SettingsSwitch::setAccent(const QColor& accent) {
  if (accent == accent_) return;
  accent_ = accent;
  update();
}

QSize SettingsSwitch::sizeHint() const {
  return {kSwitchWidth, kSwitchHeight};
}

void SettingsSwitch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) painter.setOpacity(0.5);
  const QRectF track(rect());
  const qreal radius = track.height() / 2;
  fillRoundedRect(painter, track, radius,
                  isChecked() ? accent_ : withAlpha(primaryColor(*this), isDown() ? 0.22 : 0.15));

  constexpr qreal kKnobInset = 2;
  const qreal knob = track.height() - 2 * kKnobInset;
  const qreal x = isChecked() ? track.right() - kKnobInset - knob : track.left() + kKnobInset;
  painter.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(x, kKnobInset, knob, knob));
  if (hasFocus()) paintFocusRing(painter, track.adjusted(-1, -1, 1, 1), radius + 1, accent_);
}

// SettingsSegmentedControl

SettingsSegmentedControl::SettingsSegmentedControl(QStringList titles, int width, QWidget* parent)
    : QWidget(parent), titles_(std::move(titles)) {
  setFixedSize(width, kSegmentedHeight);
  setFocusPolicy(Qt::TabFocus);
  setFont(pixelSizedFont(11.5));
}

void SettingsSegmentedControl::setSelectedIndex(int index) {
  if (index == selected_) return;
  selected_ = index;
  update();
}

void SettingsSegmentedControl::setAccent(const QColor& accent) {
  if (accent == accent_) return;
  accent_ = accent;
  update();
}

QRectF SettingsSegmentedControl::segmentRect(int index) const {
  const qreal segment = titles_.isEmpty() ? width() : qreal(width()) / titles_.size();
  return {index * segment, 0, segment, qreal(height())};
}

int SettingsSegmentedControl::segmentAt(QPointF position) const {
  if (titles_.isEmpty() || !QRectF(rect()).contains(position)) return -1;
  const int index = static_cast<int>(position.x() * titles_.size() / width());
  return std::clamp(index, 0, static_cast<int>(titles_.size()) - 1);
}

void SettingsSegmentedControl::choose(int index) {
  if (index < 0 || index >= titles_.size() || index == selected_) return;
  selected_ = index;
  update();
  // A copy: the handler may rebuild whatever owns this control.
  auto handler = onSelected;
  if (handler) handler(index);
}

void SettingsSegmentedControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = segmentAt(event->position());
  update();
}

void SettingsSegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  // Like a button: the choice is made where the press began, if the release is still there.
  const int pressed = std::exchange(pressed_, -1);
  update();
  if (pressed >= 0 && segmentAt(event->position()) == pressed) choose(pressed);
}

void SettingsSegmentedControl::keyPressEvent(QKeyEvent* event) {
  const int last = static_cast<int>(titles_.size()) - 1;
  switch (event->key()) {
    case Qt::Key_Left:
      choose(std::max(0, selected_ - 1));
      break;
    case Qt::Key_Right:
      choose(std::min(last, selected_ + 1));
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void SettingsSegmentedControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor primary = primaryColor(*this);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  constexpr qreal kRadius = 6;
  painter.setPen(QPen(withAlpha(secondaryColor(*this), 0.45), 1));
  painter.setBrush(withAlpha(primary, 0.05));
  painter.drawRoundedRect(frame, kRadius, kRadius);

  const int count = static_cast<int>(titles_.size());
  // Separators only between two segments that are both unselected.
  painter.setPen(QPen(withAlpha(secondaryColor(*this), 0.4), 1));
  for (int i = 1; i < count; ++i) {
    if (i == selected_ || i - 1 == selected_) continue;
    const qreal x = std::round(segmentRect(i).left()) + 0.5;
    painter.drawLine(QPointF(x, 5), QPointF(x, height() - 5));
  }

  // Narrow segments take the condensed face before any title loses its tail.
  constexpr qreal kTextPadding = 6;
  QFont textFont = font();
  const qreal available = segmentRect(0).width() - kTextPadding;
  if (std::any_of(titles_.begin(), titles_.end(), [&](const QString& title) {
        return QFontMetricsF(textFont).horizontalAdvance(title) > available;
      })) {
    textFont.setStretch(QFont::SemiCondensed);
  }
  painter.setFont(textFont);
  const QFontMetricsF metrics(textFont);
  for (int i = 0; i < count; ++i) {
    const QRectF segment = segmentRect(i);
    const QRectF plate = segment.adjusted(2, 2, -2, -2);
    if (i == selected_) {
      fillRoundedRect(painter, plate, kRadius - 2, i == pressed_ ? accent_.darker(115) : accent_);
    } else if (i == pressed_) {
      fillRoundedRect(painter, plate, kRadius - 2, withAlpha(primary, 0.1));
    }
    painter.setPen(i == selected_ ? QColor(Qt::white) : primary);
    const QString text = metrics.elidedText(titles_[i], Qt::ElideRight, available);
    painter.drawText(segment, Qt::AlignCenter, text);
  }
  if (hasFocus()) paintFocusRing(painter, QRectF(rect()), kRadius, accent_);
}

// SecondaryActionButton

SecondaryActionButton::SecondaryActionButton(const QString& title, std::function<void()> action,
                                             QWidget* parent)
    : QAbstractButton(parent), action_(std::move(action)), hover_(new HoverFade(this)) {
  setText(title);
  setAccessibleName(title);
  setFocusPolicy(Qt::TabFocus);
  setFont(pixelSizedFont(11.5, QFont::Medium));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  // A copy: the action may close (and destroy) the window this button is in.
  connect(this, &QAbstractButton::clicked, this, [this] {
    auto action = action_;
    if (action) action();
  });
}

bool SecondaryActionButton::isHovering() const {
  return hover_->isHovering();
}

QSize SecondaryActionButton::sizeHint() const {
  const QFontMetricsF metrics(font());
  return {qCeil(metrics.horizontalAdvance(text())) + 20, qCeil(metrics.height()) + 10};
}

void SecondaryActionButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  hover_->setHovering(true);
}

void SecondaryActionButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  hover_->setHovering(false);
}

void SecondaryActionButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor primary = primaryColor(*this);
  const QColor secondary = secondaryColor(*this);
  const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  constexpr qreal kRadius = 7;
  const qreal progress = hover_->progress();
  const qreal fill = isDown() ? 0.14 : 0.035 + (0.09 - 0.035) * progress;
  painter.setPen(QPen(withAlpha(secondary, 0.28 + (0.55 - 0.28) * progress), 1));
  painter.setBrush(withAlpha(primary, fill));
  painter.drawRoundedRect(shape, kRadius, kRadius);
  painter.setPen(mix(secondary, primary, isDown() ? 1.0 : progress));
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
  if (hasFocus())
    paintFocusRing(painter, QRectF(rect()), kRadius, palette().color(QPalette::Highlight));
}

// SettingsSection

SettingsSection::SettingsSection(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)), stack_(new QVBoxLayout(this)) {
  title_->setFont(pixelSizedFont(14, QFont::DemiBold));
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->setSpacing(6);
  stack_->addWidget(title_);
}

void SettingsSection::addRow(QWidget* row) {
  stack_->addWidget(row);
}

// SettingsControlRow

SettingsControlRow::SettingsControlRow(const QString& title, QWidget* control, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(12);
  row->addWidget(title_, 0, Qt::AlignVCenter);
  row->addStretch(1);
  row->addWidget(control, 0, Qt::AlignVCenter);
}

// SettingsToggleRow

SettingsToggleRow::SettingsToggleRow(const QString& title, QWidget* parent)
    : SettingsToggleRow(title, new SettingsSwitch, parent) {}

SettingsToggleRow::SettingsToggleRow(const QString& title, SettingsSwitch* toggle, QWidget* parent)
    : SettingsControlRow(title, toggle, parent), toggle_(toggle) {
  toggle_->setAccessibleName(title);
}

// KeyCapsView

KeyCapsView::KeyCapsView(QWidget* parent) : QWidget(parent) {
  setFixedSize(92, 26);
  setFont(pixelSizedFont(12.5, QFont::DemiBold));
}

void KeyCapsView::setTokens(const std::vector<std::string>& tokens) {
  std::vector<QString> converted;
  QString joined;
  for (const std::string& token : tokens) {
    converted.push_back(QString::fromStdString(token));
    joined += converted.back();
  }
  if (converted == tokens_) return;
  tokens_ = std::move(converted);
  setAccessibleName(joined);
  update();
}

void KeyCapsView::paintEvent(QPaintEvent*) {
  if (tokens_.empty()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  constexpr qreal kGap = 3;
  constexpr qreal kMinimumCapWidth = 18;
  constexpr qreal kCapHeight = 24;
  constexpr qreal kRadius = 5;
  const QFontMetricsF metrics(font());
  const auto count = static_cast<qreal>(tokens_.size());

  std::vector<qreal> widths;
  qreal total = kGap * (count - 1);
  for (const QString& token : tokens_) {
    widths.push_back(std::max(kMinimumCapWidth, metrics.horizontalAdvance(token) + 8));
    total += widths.back();
  }
  // A combination with more modifiers than fit shares the box equally instead of spilling out.
  if (total > width()) {
    std::fill(widths.begin(), widths.end(), (width() - kGap * (count - 1)) / count);
    total = width();
  }

  const QColor fill = withAlpha(secondaryColor(*this), 0.1);
  const QColor text = primaryColor(*this);
  qreal x = (width() - total) / 2;
  const qreal y = (height() - kCapHeight) / 2;
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    const QRectF cap(x, y, widths[i], kCapHeight);
    fillRoundedRect(painter, cap, kRadius, fill);
    painter.setPen(text);
    painter.drawText(cap, Qt::AlignCenter, tokens_[i]);
    x += widths[i] + kGap;
  }
}

// SettingsView

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
      QStringLiteral("Настройки macOS…"),
      [this] { NotificationCenterBridge::openSystemSettings(notifications_); }, status);
  openSettings->setObjectName(QStringLiteral("openNotificationSettingsButton"));
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
    QAction* action = menu->addAction(joinedTokens(alternative));
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

  auto* launchRow = new SettingsToggleRow(QStringLiteral("Запускать вместе с macOS"));
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
  static_cast<StatusDot*>(statusDot_)
      ->setColor(settings_->notificationsAreAllowed() ? systemGreen(*this) : systemOrange(*this));
}

void SettingsView::showThreadColor() {
  const ThreadColorPreset current = settings_->threadColor.value();
  for (QAbstractButton* swatch : swatches_) {
    auto* colorSwatch = static_cast<ThreadColorSwatch*>(swatch);
    colorSwatch->setCurrent(colorSwatch->preset() == current);
  }
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
