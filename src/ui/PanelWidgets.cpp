#include "ui/PanelWidgets.h"

#include <utility>

#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>

#include "ui/PanelStyle.h"
#include "ui/SymbolGlyphs.h"

namespace brindlecap {

namespace {

constexpr int kHoverMilliseconds = 120;
constexpr qreal kSeparatorAlpha = 0.12;

}  // namespace

// Divider

Divider::Divider(QWidget* parent, int inset) : QWidget(parent), inset_(inset) {
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(QRect(inset_, 0, width() - 2 * inset_, height()),
                   withAlpha(primaryColor(*this), kSeparatorAlpha));
}

// SymbolView

SymbolView::SymbolView(QString symbol, qreal glyphSide, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), glyphSide_(glyphSide) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& symbol) {
  if (symbol == symbol_) return;
  symbol_ = symbol;
  update();
}

void SymbolView::setTint(const QColor& tint) {
  if (tint == tint_) return;
  tint_ = tint;
  update();
}

QSize SymbolView::sizeHint() const {
  const int side = qCeil(glyphSide_);
  return {side, side};
}

void SymbolView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintSymbol(painter, symbol_, centredSquare(QRectF(rect()), glyphSide_), tint_);
}

// HoverFade

HoverFade::HoverFade(QWidget* target)
    : QObject(target), target_(target), animation_(new QVariantAnimation(this)) {
  animation_->setDuration(kHoverMilliseconds);
  animation_->setEasingCurve(QEasingCurve::OutCubic);
  connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    progress_ = value.toReal();
    target_->update();
  });
}

void HoverFade::setHovering(bool hovering) {
  hovering_ = hovering;
  const qreal target = hovering ? 1.0 : 0.0;
  animation_->stop();
  if (!target_->isVisible()) {
    progress_ = target;
    target_->update();
    return;
  }
  animation_->setStartValue(progress_);
  animation_->setEndValue(target);
  animation_->start();
}

}  // namespace brindlecap
