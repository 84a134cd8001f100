#include "ui/TimerRowView.h"

#include <algorithm>
#include <utility>

#include <QAbstractButton>
#include <QEasingCurve>
#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QVBoxLayout>

#include "timers/TimeFormatting.h"
#include "timers/TimerStore.h"
#include "ui/PanelStyle.h"
#include "ui/SymbolGlyphs.h"

namespace brindlecap {

namespace {

constexpr qreal kRemainingMinimumScale = 0.86;
constexpr int kFadeMilliseconds = 120;
constexpr qreal kActionGlyphSide = 11;

// A borderless row action: a short text or one of our glyphs, in the secondary colour.
class RowActionButton : public QAbstractButton {
 public:
  RowActionButton(const QString& text, QString symbol, QWidget* parent)
      : QAbstractButton(parent), symbol_(std::move(symbol)) {
    setText(text);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }

  QSize sizeHint() const override {
    if (!symbol_.isEmpty()) {
      const int side = qCeil(kActionGlyphSide) + 2;
      return {side, side};
    }
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    // The normal group even while disabled: a fading-out action must not turn grey on its way.
    const QColor tint = isDown() ? primaryColor(*this) : secondaryColor(*this);
    if (symbol_.isEmpty()) {
      painter.setPen(tint);
      painter.setFont(font());
      painter.drawText(rect(), Qt::AlignCenter, text());
    } else {
      paintSymbol(painter, symbol_, centredSquare(QRectF(rect()), kActionGlyphSide), tint);
    }
  }

 private:
  QString symbol_;
};

}  // namespace

// FittedLabel

FittedLabel::FittedLabel(qreal minimumScale, QWidget* parent)
    : QWidget(parent), minimumScale_(std::clamp<qreal>(minimumScale, 0.1, 1.0)), font_(font()) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittedLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  textChanged();
}

void FittedLabel::setTextFont(const QFont& font) {
  font_ = font;
  textChanged();
}

void FittedLabel::setLineFont(const QFont& font) {
  lineFont_ = font;
  hasLineFont_ = true;
  textChanged();
}

void FittedLabel::textChanged() {
  updateGeometry();
  update();
  refreshToolTip();
}

void FittedLabel::refreshToolTip() {
  setToolTip(displayedText() == text_ ? QString() : text_);
}

void FittedLabel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  refreshToolTip();
}

void FittedLabel::setColorRole(QPalette::ColorRole role) {
  colorRole_ = role;
  update();
}

QFont FittedLabel::fittedFont(int width) const {
  QFont fitted = font_;
  if (minimumScale_ >= 1 || text_.isEmpty()) return fitted;
  const qreal fullWidth = QFontMetricsF(font_).horizontalAdvance(text_);
  if (fullWidth <= width) return fitted;
  // Width grows almost in proportion to the size; hinting may ask for a step or two more.
  const qreal base = fontSize(font_);
  qreal scale = std::max(minimumScale_, width / fullWidth);
  for (;;) {
    setFontSize(fitted, base * scale);
    if (scale <= minimumScale_ || QFontMetricsF(fitted).horizontalAdvance(text_) <= width) {
      return fitted;
    }
    scale = std::max(minimumScale_, scale - 0.01);
  }
}

QFont FittedLabel::displayedFont() const {
  return fittedFont(contentsRect().width());
}

QString FittedLabel::displayedText() const {
  return QFontMetricsF(displayedFont()).elidedText(text_, Qt::ElideRight, contentsRect().width());
}

QSize FittedLabel::sizeHint() const {
  const QFontMetricsF metrics(font_);
  const qreal lineHeight =
      std::max(metrics.height(), hasLineFont_ ? QFontMetricsF(lineFont_).height() : 0.0);
  return {qCeil(metrics.horizontalAdvance(text_)), qCeil(lineHeight)};
}

QSize FittedLabel::minimumSizeHint() const {
  QFont smallest = font_;
  setFontSize(smallest, fontSize(font_) * minimumScale_);
  return {qCeil(QFontMetricsF(smallest).horizontalAdvance(QChar(0x2026))), sizeHint().height()};
}

void FittedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(colorRole_));
  painter.setFont(displayedFont());
  // The baseline stays where the full-size line font puts it, so shrinking keeps the row aligned.
  const QFontMetricsF line(hasLineFont_ ? lineFont_ : font_);
  const QRect area = contentsRect();
  const qreal baseline = area.top() + (area.height() - line.height()) / 2 + line.ascent();
  painter.drawText(QPointF(area.left(), baseline), displayedText());
}

// TimerRowView

TimerRowView::TimerRowView(TimerItem item, TimePoint now, std::weak_ptr<TimerStore> store,
                           const DateFormatter& dates, QWidget* parent)
    : QWidget(parent),
      item_(std::move(item)),
      now_(now),
      store_(std::move(store)),
      dates_(dates),
      remainingLabel_(new FittedLabel(kRemainingMinimumScale, this)),
      fireTimeLabel_(new FittedLabel(1, this)),
      titleLabel_(new FittedLabel(1, this)),
      actions_(new QWidget(this)),
      extendButton_(new RowActionButton(QStringLiteral("+5"), {}, actions_)),
      deleteButton_(new RowActionButton({}, QStringLiteral("trash"), actions_)),
      actionsOpacity_(new QGraphicsOpacityEffect(actions_)),
      actionsFade_(new QPropertyAnimation(actionsOpacity_, "opacity", this)) {
  remainingLabel_->setObjectName(QStringLiteral("remainingLabel"));
  fireTimeLabel_->setObjectName(QStringLiteral("fireTimeLabel"));
  titleLabel_->setObjectName(QStringLiteral("timerTitleLabel"));
  actions_->setObjectName(QStringLiteral("actions"));
  extendButton_->setObjectName(QStringLiteral("extendButton"));
  deleteButton_->setObjectName(QStringLiteral("deleteButton"));

  fireTimeLabel_->setColorRole(QPalette::PlaceholderText);
  fireTimeLabel_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  extendButton_->setToolTip(QStringLiteral("Продлить на 5 минут"));
  deleteButton_->setToolTip(QStringLiteral("Удалить таймер"));
  deleteButton_->setAccessibleName(QStringLiteral("Удалить таймер"));

  auto* actionsLayout = new QHBoxLayout(actions_);
  actionsLayout->setContentsMargins(0, 0, 0, 0);
  actionsLayout->setSpacing(9);
  actionsLayout->addWidget(extendButton_, 0, Qt::AlignVCenter);
  actionsLayout->addWidget(deleteButton_, 0, Qt::AlignVCenter);
  actions_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

  // Hidden and out of the pointer's way until hovered: an invisible action cannot be clicked.
  actionsOpacity_->setOpacity(0);
  actions_->setGraphicsEffect(actionsOpacity_);
  actions_->setEnabled(false);
  actions_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  actionsFade_->setDuration(kFadeMilliseconds);
  actionsFade_->setEasingCurve(QEasingCurve::OutCubic);

  auto* firstLine = new QHBoxLayout;
  firstLine->setSpacing(8);
  firstLine->addWidget(remainingLabel_);
  firstLine->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
  firstLine->addWidget(fireTimeLabel_);

  auto* secondLine = new QHBoxLayout;
  secondLine->setSpacing(8);
  secondLine->addWidget(titleLabel_, 0, Qt::AlignVCenter);
  secondLine->addSpacerItem(new QSpacerItem(6, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
  secondLine->addWidget(actions_, 0, Qt::AlignVCenter);

  auto* stack = new QVBoxLayout(this);
  stack->setSpacing(5);
  stack->setContentsMargins(14, 10, 14, 10);
  stack->addLayout(firstLine);
  stack->addLayout(secondLine);

  applyTextStyles();
  remainingLabel_->setText(
      QString::fromStdString(TimeFormatting::remainingPhrase(item_.fireDate, now_)));
  fireTimeLabel_->setText(QString::fromStdString(dates_.shortTime(item_.fireDate)));
  titleLabel_->setText(QString::fromStdString(item_.title));

  connect(extendButton_, &QAbstractButton::clicked, this, [this] { extend(); });
  connect(deleteButton_, &QAbstractButton::clicked, this, [this] { remove(); });
}

void TimerRowView::setContent(const TimerItem& item, TimePoint now) {
  const bool fireDateChanged = item.fireDate != item_.fireDate;
  item_ = item;
  now_ = now;
  remainingLabel_->setText(
      QString::fromStdString(TimeFormatting::remainingPhrase(item_.fireDate, now_)));
  if (fireDateChanged) {
    fireTimeLabel_->setText(QString::fromStdString(dates_.shortTime(item_.fireDate)));
  }
  titleLabel_->setText(QString::fromStdString(item_.title));
}

void TimerRowView::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  setHovering(true);
}

void TimerRowView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  setHovering(false);
}

void TimerRowView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ApplicationFontChange) applyTextStyles();
}

void TimerRowView::setHovering(bool hovering) {
  if (hovering == isHovering_) return;
  isHovering_ = hovering;
  // Clickability follows the hover at once; only the look fades.
  actions_->setEnabled(hovering);
  actions_->setAttribute(Qt::WA_TransparentForMouseEvents, !hovering);
  const qreal target = hovering ? 1.0 : 0.0;
  actionsFade_->stop();
  if (!isVisible()) {
    actionsOpacity_->setOpacity(target);
    return;
  }
  actionsFade_->setStartValue(actionsOpacity_->opacity());
  actionsFade_->setEndValue(target);
  actionsFade_->start();
}

void TimerRowView::applyTextStyles() {
  const QFont remaining = panelFont(15, QFont::DemiBold);
  remainingLabel_->setTextFont(remaining);
  QFont fireTime = panelFont(12, QFont::Normal);
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
  fireTime.setFeature(QFont::Tag("tnum"), 1);  // digits of equal width, so times line up
#endif
  fireTimeLabel_->setTextFont(fireTime);
  fireTimeLabel_->setLineFont(remaining);
  titleLabel_->setTextFont(panelFont(13, QFont::Normal));
  extendButton_->setFont(panelFont(11, QFont::DemiBold));
}

void TimerRowView::extend() {
  // A copy: the store's change reaches this row (and may replace item_) before postpone returns.
  const Uuid id = item_.id;
  if (auto store = store_.lock()) store->postpone(id, kExtendSeconds);
}

void TimerRowView::remove() {
  const Uuid id = item_.id;
  if (auto store = store_.lock()) store->remove(id);
}

}  // namespace brindlecap
