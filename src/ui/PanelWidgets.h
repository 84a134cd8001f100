#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QWidget>

class QVariantAnimation;

namespace brindlecap {

// A one-pixel hairline in the separator colour (the text colour at 12 %) across the width of its
// layout slot, `inset` pixels short of both ends.
class Divider : public QWidget {
 public:
  explicit Divider(QWidget* parent = nullptr, int inset = 0);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int inset_;
};

// One of our symbol glyphs, `glyphSide` pixels square, in a tint that can change. It asks for
// just the glyph's square and, given more room, draws it centred.
class SymbolView : public QWidget {
 public:
  SymbolView(QString symbol, qreal glyphSide, QWidget* parent = nullptr);

  void setSymbol(const QString& symbol);
  void setTint(const QColor& tint);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString symbol_;
  qreal glyphSide_;
  QColor tint_;
};

// How far `target`'s hover look has faded in, 0 resting to 1 hovered: eased over 0.12 s while the
// target is shown, at once while it is hidden. The target is repainted as it moves.
class HoverFade : public QObject {
 public:
  explicit HoverFade(QWidget* target);

  bool isHovering() const { return hovering_; }
  qreal progress() const { return progress_; }
  void setHovering(bool hovering);

 private:
  QWidget* target_;
  QVariantAnimation* animation_;
  bool hovering_ = false;
  qreal progress_ = 0;
};

}  // namespace brindlecap
