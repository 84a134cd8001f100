#include "ui/SettingsControls.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/PanelStyle.h"
#include "ui/PanelWidgets.h"
#include "ui/QtColor.h"

namespace brindlecap {

namespace {

constexpr int kSegmentedHeight = 22;
constexpr int kSwitchWidth = 32;
constexpr int kSwitchHeight = 18;
constexpr int kSwatchSide = 27;
constexpr qreal kSwatchDisc = 19;

void paintFocusRing(QPainter& painter, const QRectF& box, qreal radius, const QColor& accent) {
  painter.setPen(QPen(withAlpha(accent, 0.6), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), radius, radius);
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

// KeyCapsView

namespace {

constexpr qreal kCapGap = 3;
constexpr qreal kMinimumCapWidth = 18;
constexpr qreal kCapHeight = 24;
constexpr qreal kCapTextInset = 8;
constexpr int kMinimumCapsWidth = 92;
constexpr int kCapsHeight = 26;

// The caps laid out from x = 0, each as wide as its label needs.
std::vector<QRectF> layOutCaps(const std::vector<QString>& tokens, const QFont& font) {
  const QFontMetricsF metrics(font);
  std::vector<QRectF> caps;
  qreal x = 0;
  for (const QString& token : tokens) {
    const qreal width =
        std::max(kMinimumCapWidth, metrics.horizontalAdvance(token) + kCapTextInset);
    caps.emplace_back(x, (kCapsHeight - kCapHeight) / 2, width, kCapHeight);
    x += width + kCapGap;
  }
  return caps;
}

}  // namespace

KeyCapsView::KeyCapsView(QWidget* parent) : QWidget(parent) {
  setFixedSize(kMinimumCapsWidth, kCapsHeight);
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
  // Word caps ("Super") need more room than symbols: the box grows to whole caps, never below its
  // resting size.
  const std::vector<QRectF> caps = layOutCaps(tokens_, font());
  const int needed = caps.empty() ? 0 : qCeil(caps.back().right());
  setFixedSize(std::max(kMinimumCapsWidth, needed), kCapsHeight);
  update();
}

std::vector<QRectF> KeyCapsView::capRects() const {
  std::vector<QRectF> caps = layOutCaps(tokens_, font());
  if (caps.empty()) return caps;
  const qreal offset = (width() - caps.back().right()) / 2;
  for (QRectF& cap : caps) cap.translate(offset, 0);
  return caps;
}

void KeyCapsView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  constexpr qreal kRadius = 5;
  const QColor fill = withAlpha(secondaryColor(*this), 0.1);
  const QColor text = primaryColor(*this);
  const std::vector<QRectF> caps = capRects();
  for (std::size_t i = 0; i < caps.size(); ++i) {
    fillRoundedRect(painter, caps[i], kRadius, fill);
    painter.setPen(text);
    painter.drawText(caps[i], Qt::AlignCenter, tokens_[i]);
  }
}

// ThreadColorSwatch

ThreadColorSwatch::ThreadColorSwatch(ThreadColorPreset preset, QWidget* parent)
    : QAbstractButton(parent), preset_(preset) {
  setFixedSize(kSwatchSide, kSwatchSide);
  setFocusPolicy(Qt::NoFocus);
  const std::string_view name = title(preset);
  setToolTip(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  setAccessibleName(toolTip());
}

void ThreadColorSwatch::setCurrent(bool current) {
  if (current == current_) return;
  current_ = current;
  update();
}

void ThreadColorSwatch::paintEvent(QPaintEvent*) {
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

// StatusDot

StatusDot::StatusDot(QWidget* parent) : QWidget(parent) {
  setFixedSize(9, 9);
}

void StatusDot::setColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void StatusDot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color_);
  painter.drawEllipse(QRectF(rect()));
}

}  // namespace brindlecap
