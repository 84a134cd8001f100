#include "ui/TimerListView.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

#include <QAbstractButton>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "settings/AppSettingsStore.h"
#include "timers/TimerStore.h"
#include "ui/PanelStyle.h"
#include "ui/PanelWidgets.h"
#include "ui/QtColor.h"
#include "ui/SymbolGlyphs.h"
#include "ui/TimerRowView.h"

namespace brindlecap {

namespace {

// One slider line of the settings glyph (13.5 × 4): a thin track and a hollow knob off centre.
struct SettingsSliderGlyphRow {
  static constexpr qreal kHeight = 4;
  qreal knobOffset = 0;
  QColor color;

  void paint(QPainter& painter, QPointF center, const QColor& background) const {
    fillRoundedRect(painter, QRectF(center.x() - 6.4, center.y() - 0.575, 12.8, 1.15), 0.575,
                    withAlpha(color, 0.86));
    painter.setPen(QPen(color, 0.95));
    painter.setBrush(background);
    painter.drawEllipse(QPointF(center.x() + knobOffset, center.y()), 1.95, 1.95);
  }
};

// The settings glyph of the title bar, and the whole 27 × 27 square is the button.
class BrindlecapSettingsIcon : public QAbstractButton {
 public:
  explicit BrindlecapSettingsIcon(QWidget* parent)
      : QAbstractButton(parent), hover_(new HoverFade(this)) {
    setFixedSize(27, 27);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void enterEvent(QEnterEvent* event) override {
    QAbstractButton::enterEvent(event);
    hover_->setHovering(true);
  }
  void leaveEvent(QEvent* event) override {
    QAbstractButton::leaveEvent(event);
    hover_->setHovering(false);
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = primaryColor(*this);
    const qreal progress = hover_->progress();
    if (progress > 0)
      fillRoundedRect(painter, QRectF(rect()), 7, withAlpha(primary, 0.075 * progress));
    const QColor tint = mix(secondaryColor(*this), primary, progress);
    const QColor background = palette().color(QPalette::Normal, QPalette::Window);
    const QPointF center = QRectF(rect()).center();
    constexpr qreal kGap = 2;
    constexpr qreal kKnobOffsets[] = {-3.4, 3.3, -0.8};
    for (int i = 0; i < 3; ++i) {
      const qreal y = center.y() + (i - 1) * (SettingsSliderGlyphRow::kHeight + kGap);
      SettingsSliderGlyphRow{kKnobOffsets[i], tint}.paint(painter, QPointF(center.x(), y),
                                                          background);
    }
  }

 private:
  HoverFade* hover_;
};

// The accent plus over a faint accent plate.
class AccentPlusButton : public QAbstractButton {
 public:
  explicit AccentPlusButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(22, 20);
    setFocusPolicy(Qt::NoFocus);
  }

  void setAccent(const QColor& accent) {
    if (accent == accent_) return;
    accent_ = accent;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()), 6, withAlpha(accent_, isDown() ? 0.2 : 0.1));
    paintSymbol(painter, QStringLiteral("plus"), centredSquare(QRectF(rect()), 10), accent_);
  }

 private:
  QColor accent_;
};

}  // namespace

TimerListView::TimerListView(std::shared_ptr<TimerStore> store,
                             std::shared_ptr<AppSettingsStore> settings, const DateFormatter& dates,
                             std::function<void()> onOpenSettings,
                             std::function<void()> onCreateTimer, QWidget* parent)
    : QWidget(parent),
      store_(std::move(store)),
      settings_(std::move(settings)),
      dates_(dates),
      onOpenSettings_(std::move(onOpenSettings)),
      onCreateTimer_(std::move(onCreateTimer)),
      titleLabel_(new QLabel(QStringLiteral("Brindlecap"), this)),
      settingsButton_(new BrindlecapSettingsIcon(this)),
      countLabel_(new QLabel(this)),
      createButton_(new AccentPlusButton(this)),
      emptyState_(new QWidget(this)),
      emptyGlyph_(new SymbolView(QStringLiteral("arrow.down.circle"), 31, emptyState_)),
      emptyHeadline_(new QLabel(QStringLiteral("Нет активных таймеров"), emptyState_)),
      emptyHint_(new QLabel(
          QStringLiteral("Потяните иконку Brindlecap вниз\nи отпустите на нужной длительности."),
          emptyState_)),
      scrollArea_(new QScrollArea(this)),
      listContent_(new QWidget),
      listLayout_(new QVBoxLayout(listContent_)) {
  titleLabel_->setObjectName(QStringLiteral("headerTitleLabel"));
  settingsButton_->setObjectName(QStringLiteral("settingsButton"));
  countLabel_->setObjectName(QStringLiteral("countLabel"));
  createButton_->setObjectName(QStringLiteral("createTimerButton"));
  emptyState_->setObjectName(QStringLiteral("emptyState"));
  emptyGlyph_->setObjectName(QStringLiteral("emptyStateGlyph"));
  emptyHeadline_->setObjectName(QStringLiteral("emptyStateHeadline"));
  emptyHint_->setObjectName(QStringLiteral("emptyStateHint"));
  scrollArea_->setObjectName(QStringLiteral("timerScrollArea"));

  settingsButton_->setToolTip(QStringLiteral("Настройки"));
  settingsButton_->setAccessibleName(QStringLiteral("Настройки"));
  createButton_->setToolTip(QStringLiteral("Создать таймер вручную"));
  createButton_->setAccessibleName(QStringLiteral("Создать таймер вручную"));

  auto* titleBar = new QHBoxLayout;
  titleBar->setSpacing(10);
  titleBar->setContentsMargins(14, 12, 14, 12);
  titleBar->addWidget(titleLabel_, 0, Qt::AlignVCenter);
  titleBar->addStretch(1);
  titleBar->addWidget(settingsButton_, 0, Qt::AlignVCenter);

  auto* titleDivider = new Divider(this);
  titleDivider->setObjectName(QStringLiteral("titleDivider"));

  auto* sectionHeader = new QHBoxLayout;
  sectionHeader->setContentsMargins(14, 9, 14, 5);
  sectionHeader->addWidget(countLabel_, 0, Qt::AlignVCenter);
  sectionHeader->addStretch(1);
  sectionHeader->addWidget(createButton_, 0, Qt::AlignVCenter);

  emptyHint_->setAlignment(Qt::AlignHCenter);
  auto* emptyStack = new QVBoxLayout(emptyState_);
  emptyStack->setSpacing(10);
  emptyStack->setContentsMargins(20, 0, 20, 18);
  emptyStack->addStretch(1);
  emptyStack->addWidget(emptyGlyph_, 0, Qt::AlignHCenter);
  emptyStack->addWidget(emptyHeadline_, 0, Qt::AlignHCenter);
  emptyStack->addWidget(emptyHint_, 0, Qt::AlignHCenter);
  emptyStack->addStretch(1);
  emptyState_->setMinimumHeight(185);

  listLayout_->setContentsMargins(0, 0, 0, 0);
  listLayout_->setSpacing(0);
  scrollArea_->setWidget(listContent_);
  scrollArea_->setWidgetResizable(true);
  scrollArea_->setFrameShape(QFrame::NoFrame);
  scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The view's own background shows through the list.
  scrollArea_->viewport()->setAutoFillBackground(false);
  listContent_->setAutoFillBackground(false);
  scrollArea_->hide();
  connect(scrollArea_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (value < scrollArea_->verticalScrollBar()->maximum() || rows_.size() < rowLimit_) return;
    rowLimit_ += kRowBatch;
    refresh();
  });

  auto* stack = new QVBoxLayout(this);
  stack->setSpacing(0);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->addLayout(titleBar);
  stack->addWidget(titleDivider);
  stack->addLayout(sectionHeader);
  stack->addWidget(emptyState_);
  stack->addWidget(scrollArea_);

  setFixedWidth(kWidth);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);

  // Copies of the callbacks: the host may close (and destroy) the list from inside them.
  connect(settingsButton_, &QAbstractButton::clicked, this, [this] {
    auto callback = onOpenSettings_;
    if (callback) callback();
  });
  connect(createButton_, &QAbstractButton::clicked, this, [this] {
    auto callback = onCreateTimer_;
    if (callback) callback();
  });

  applyTextStyles();
  applyAccent();
  refresh();
  itemsSubscription_ =
      store_->items.subscribe([this](const std::vector<TimerItem>&) { refresh(); },
                              Published<std::vector<TimerItem>>::Delivery::changesOnly);
  nowSubscription_ = store_->now.subscribe([this](const TimePoint&) { refresh(); },
                                           Published<TimePoint>::Delivery::changesOnly);
  // The rows count down in seconds, so the store ticks every second while they are on screen.
  tickDemand_ = store_->demandTicks([this](TimePoint now) -> std::optional<TimePoint> {
    if (!isVisible()) return std::nullopt;
    return now + TimerStore::kTickInterval;
  });
  accentSubscription_ =
      settings_->threadColor.subscribe([this](const ThreadColorPreset&) { applyAccent(); },
                                       Published<ThreadColorPreset>::Delivery::changesOnly);
}

TimerListView::~TimerListView() = default;

void TimerListView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    applyTextStyles();
    applyAccent();
  } else if (event->type() == QEvent::ApplicationFontChange) {
    applyTextStyles();
    // After the rows have taken the new font too.
    QTimer::singleShot(0, this, [this] { fitListHeight(); });
  }
}

void TimerListView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  store_->tickIfBehind();  // refreshes through `now` when the clock moved
  if (stale_) refresh();
  store_->replanTicks();
}

void TimerListView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  store_->replanTicks();
}

void TimerListView::refresh() {
  // Hidden, the list does no work however many timers there are; showEvent catches up.
  if (!isVisible()) {
    stale_ = true;
    return;
  }
  stale_ = false;
  const std::vector<TimerItem> active = store_->activeItems();
  const TimePoint now = store_->now.value();

  const QString count = QStringLiteral("АКТИВНЫЕ · %1").arg(active.size());
  if (countLabel_->text() != count) countLabel_->setText(count);

  const std::vector<TimerItem> built(
      active.begin(),
      active.begin() + static_cast<std::ptrdiff_t>(std::min(active.size(), rowLimit_)));
  const bool sameRows = std::equal(
      built.begin(), built.end(), rows_.begin(), rows_.end(),
      [](const TimerItem& item, const TimerRowView* row) { return item.id == row->id(); });
  if (!sameRows) rebuildRows(built);
  for (std::size_t i = 0; i < built.size(); ++i) rows_[i]->setContent(built[i], now);

  const bool empty = active.empty();
  if (emptyState_->isHidden() == empty) {
    emptyState_->setVisible(empty);
    scrollArea_->setVisible(!empty);
  }
}

void TimerListView::rebuildRows(const std::vector<TimerItem>& active) {
  // Linear in the number of rows, from the back: a list of thousands must not go quadratic.
  std::unordered_multimap<Uuid, TimerRowView*> previous;
  for (TimerRowView* row : std::exchange(rows_, {})) previous.emplace(row->id(), row);
  for (int i = listLayout_->count(); i-- > 0;) delete listLayout_->takeAt(i);
  std::vector<QWidget*> spareDividers = std::exchange(dividers_, {});

  for (std::size_t i = 0; i < active.size(); ++i) {
    TimerRowView* row = nullptr;
    auto [first, last] = previous.equal_range(active[i].id);
    auto kept = std::find_if(first, last, [](const auto& entry) { return entry.second; });
    if (kept != last) {
      row = std::exchange(kept->second, nullptr);
    } else {
      row = new TimerRowView(active[i], store_->now.value(), store_, dates_, listContent_);
      row->setObjectName(QStringLiteral("timerRow"));
    }
    listLayout_->addWidget(row);
    row->show();
    rows_.push_back(row);
    if (i + 1 < active.size()) {
      QWidget* divider = nullptr;
      if (!spareDividers.empty()) {
        divider = spareDividers.back();
        spareDividers.pop_back();
      } else {
        divider = new Divider(listContent_, 14);
        divider->setObjectName(QStringLiteral("rowDivider"));
      }
      listLayout_->addWidget(divider);
      divider->show();
      dividers_.push_back(divider);
    }
  }
  listLayout_->addStretch(1);

  // A row that went away may be the one whose delete button is still inside its click.
  for (QWidget* divider : spareDividers) delete divider;
  for (auto [id, gone] : previous) {
    if (!gone) continue;
    gone->hide();
    gone->deleteLater();
  }
  fitListHeight();
}

void TimerListView::fitListHeight() {
  const int contentHeight = listLayout_->sizeHint().height();
  scrollArea_->setFixedHeight(std::min(kMaximumListHeight, contentHeight));
}

void TimerListView::applyAccent() {
  const QColor accent = toQColor(color(settings_->threadColor.value(), isDark(*this)));
  static_cast<AccentPlusButton*>(createButton_)->setAccent(accent);
  static_cast<SymbolView*>(emptyGlyph_)->setTint(accent);
}

void TimerListView::applyTextStyles() {
  const QColor secondary = secondaryColor(*this);
  titleLabel_->setFont(panelFont(16, QFont::DemiBold));
  QFont count = panelFont(10, QFont::DemiBold);
  count.setLetterSpacing(QFont::AbsoluteSpacing, 0.55);
  countLabel_->setFont(count);
  setTextColor(*countLabel_, secondary);
  emptyHeadline_->setFont(panelFont(13, QFont::DemiBold));
  emptyHint_->setFont(panelFont(11, QFont::Normal));
  setTextColor(*emptyHint_, secondary);
}

}  // namespace brindlecap
