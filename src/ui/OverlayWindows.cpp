#include "ui/OverlayWindows.h"

#include "ui/QtColor.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "menubar/DragLineView.h"
#include "platform/linux/ScreenCoordinates.h"
#include "ui/DrawnViewWidget.h"
#include "ui/PanelStyle.h"
#include "ui/SymbolGlyphs.h"

namespace brindlecap {

namespace {

constexpr Qt::WindowFlags kOverlayFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
    Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint;

// The symbol's 24-point square starts 14 points in; the texts 10 points after it.
constexpr int kSymbolLeft = 14;
constexpr int kSymbolSide = 24;
constexpr int kTextLeft = kSymbolLeft + kSymbolSide + 10;
constexpr int kTextRightMargin = 14;

void prepareOverlay(QWidget* w, bool hasCompositor) {
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setAttribute(Qt::WA_TransparentForMouseEvents);
  if (hasCompositor) w->setAttribute(Qt::WA_TranslucentBackground);
}

}  // namespace

// --- Bubble ------------------------------------------------------------------------------------

class QtBubbleWindow::Widget : public QWidget {
 public:
  Widget(Size size, bool hasCompositor)
      : QWidget(nullptr, kOverlayFlags),
        leastWidth_(static_cast<int>(size.width)),
        translucent_(hasCompositor) {
    prepareOverlay(this, hasCompositor);
    setFixedSize(leastWidth_, static_cast<int>(size.height));
    durationLabel = new QLabel;
    timeLabel = new QLabel;
    durationLabel->setObjectName(QStringLiteral("durationLabel"));
    timeLabel->setObjectName(QStringLiteral("timeLabel"));
    QFont durationFont = font();
    durationFont.setPixelSize(15);
    durationFont.setWeight(QFont::DemiBold);
    durationLabel->setFont(durationFont);
    QFont timeFont = font();
    timeFont.setPixelSize(11);
    timeLabel->setFont(timeFont);
    // The two lines stay together in the middle, whatever room the bubble has.
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->addStretch();
    texts->addWidget(durationLabel);
    texts->addWidget(timeLabel);
    texts->addStretch();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kTextLeft, 0, kTextRightMargin, 0);
    row->addLayout(texts);
    setAppearance(Appearance::dark);
  }

  QString symbol = QStringLiteral("timer");
  QColor tint;
  QLabel* durationLabel;
  QLabel* timeLabel;

  void setAppearance(Appearance appearance) {
    dark_ = appearance == Appearance::dark;
    const SystemColors& colors = SystemColors::forAppearance(appearance);
    setTextColor(*durationLabel, toQColor(colors.label));
    setTextColor(*timeLabel, toQColor(colors.secondaryLabel));
    update();
  }

  // As wide as the longer text needs, never narrower than the bubble was made.
  void fitTexts(const QString& duration, const QString& time) {
    durationLabel->setText(duration);
    timeLabel->setText(time);
    const qreal needed = std::max(QFontMetricsF(durationLabel->font()).horizontalAdvance(duration),
                                  QFontMetricsF(timeLabel->font()).horizontalAdvance(time));
    const int width =
        std::max(leastWidth_, kTextLeft + static_cast<int>(std::ceil(needed)) + kTextRightMargin);
    if (width != this->width()) setFixedSize(width, height());
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (translucent_) return;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Opaque without a compositor: the window is shaped instead.
    if (dark_)
      painter.setBrush(translucent_ ? QColor(30, 30, 32, 222) : QColor(40, 40, 42));
    else
      painter.setBrush(translucent_ ? QColor(246, 246, 246, 230) : QColor(240, 240, 240));
    painter.drawRoundedRect(QRectF(rect()), kRadius, kRadius);
    paintSymbol(painter, symbol,
                QRectF(kSymbolLeft, (height() - kSymbolSide) / 2.0, kSymbolSide, kSymbolSide),
                tint);
  }

 private:
  static constexpr qreal kRadius = 13;
  int leastWidth_;
  bool translucent_;
  bool dark_ = true;
};

QtBubbleWindow::QtBubbleWindow(Size size, bool hasCompositor)
    : widget_(new Widget(size, hasCompositor)) {}
QtBubbleWindow::~QtBubbleWindow() {
  delete widget_.data();
}
QWidget* QtBubbleWindow::widget() const {
  return widget_;
}

Size QtBubbleWindow::size() const {
  return Size{double(widget_->width()), double(widget_->height())};
}
void QtBubbleWindow::setAppearance(Appearance appearance) {
  widget_->setAppearance(appearance);
}
void QtBubbleWindow::setFrame(const Rect& frame) {
  widget_->move(toQt(frame).topLeft());
}
bool QtBubbleWindow::isVisible() const {
  return widget_->isVisible();
}
void QtBubbleWindow::orderFront() {
  widget_->show();
  widget_->raise();
}
void QtBubbleWindow::orderOut() {
  widget_->hide();
}
void QtBubbleWindow::setSymbol(const std::string& symbol) {
  widget_->symbol = QString::fromStdString(symbol);
  widget_->update();
}
void QtBubbleWindow::setSymbolTint(const Color& color) {
  widget_->tint = toQColor(color);
  widget_->update();
}
void QtBubbleWindow::setTexts(const std::string& duration, const std::string& time) {
  widget_->fitTexts(QString::fromStdString(duration), QString::fromStdString(time));
}

// --- Tether layer -------------------------------------------------------------------------------

class QtLineWindow::Widget : public QWidget {
 public:
  Widget(DrawnView& content, bool hasCompositor)
      : QWidget(nullptr, kOverlayFlags), shaped_(!hasCompositor) {
    prepareOverlay(this, hasCompositor);
    lineView_ = dynamic_cast<DragLineView*>(&content);
    view = new DrawnViewWidget(content, this);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->installEventFilter(this);
  }

  DrawnViewWidget* view;

  // The region the tether and its marker cover, in widget pixels.
  void reshape() {
    if (!shaped_ || !lineView_) return;
    if (!lineView_->hasGeometry) {
      setMask(QRegion(0, 0, 1, 1));
      return;
    }
    const QPointF a =
        view->toWidget(Rect(lineView_->startPoint.x, lineView_->startPoint.y, 0, 0)).topLeft();
    const QPointF b =
        view->toWidget(Rect(lineView_->endPoint.x, lineView_->endPoint.y, 0, 0)).topLeft();
    // Tight around the glow and the marker: whatever else the mask covers is painted opaque.
    QPainterPath line;
    line.moveTo(a);
    line.lineTo(b);
    QPainterPathStroker stroker;
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setWidth(DragLineView::coreWidth(std::hypot(b.x() - a.x(), b.y() - a.y())) + 3);
    QPainterPath shape = stroker.createStroke(line);
    shape.addEllipse(b, 6.5, 6.5);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
  }

 protected:
  void resizeEvent(QResizeEvent*) override { view->setGeometry(rect()); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view && event->type() == QEvent::Paint) reshape();
    return false;
  }

 private:
  bool shaped_;
  DragLineView* lineView_ = nullptr;
};

QtLineWindow::QtLineWindow(DrawnView& content, bool hasCompositor)
    : widget_(new Widget(content, hasCompositor)) {}
QtLineWindow::~QtLineWindow() {
  delete widget_.data();
}

Rect QtLineWindow::frame() const {
  return frame_;
}
void QtLineWindow::setFrame(const Rect& frame) {
  frame_ = frame;
  widget_->setGeometry(toQt(frame));
}
bool QtLineWindow::isVisible() const {
  return widget_->isVisible();
}
void QtLineWindow::orderFront() {
  widget_->reshape();
  widget_->show();
  widget_->raise();
}
void QtLineWindow::orderOut() {
  widget_->hide();
}

}  // namespace brindlecap
