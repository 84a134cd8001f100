#include "ui/QtCompletionBannerPanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "platform/linux/ScreenCoordinates.h"
#include "ui/PanelStyle.h"
#include "ui/PanelWidgets.h"
#include "ui/QtColor.h"
#include "ui/SymbolGlyphs.h"

namespace brindlecap {

namespace {

// The layout, in points of the window (y down).
constexpr int kDefaultWidth = 330;
constexpr int kDefaultHeight = 136;
constexpr qreal kCornerRadius = 17;
constexpr int kTopContentHeight = 92;
constexpr int kSideInset = 20;
constexpr int kIconSide = 40;
constexpr int kIconRaise = 2;
constexpr qreal kTimerGlyphSide = 32;
constexpr int kTextGap = 14;
constexpr int kTextSpacing = 4;
constexpr int kRowHeight = 28;
constexpr int kRowBottomInset = 8;
constexpr int kRowSpacing = 8;
constexpr int kCloseWidth = 80;
constexpr int kSnoozeControlWidth = 202;
constexpr int kOptionsWidth = 28;
constexpr qreal kButtonRadius = 7;
constexpr qreal kChevronGlyphSide = 14;
constexpr qreal kHairline = 0.5;
constexpr qreal kDividerHeight = 14;
constexpr int kButtonTextPadding = 6;

// Opaque enough to read over anything, translucent enough to show it is floating.
constexpr qreal kTranslucentBackgroundAlpha = 0.9;

// The banner follows the desktop's palette: its window colour behind, its text colours on top.
struct BannerColors {
  QColor background;
  QColor label;
  QColor secondaryLabel;
  QColor separator;
  QColor closeFill;
};

BannerColors bannerColors(const QWidget& widget, bool translucent) {
  const QPalette& palette = widget.palette();
  const QColor label = palette.color(QPalette::WindowText);
  // Alphas replace the palette's rather than scale them: the shaped window's fill must be solid.
  const QColor solidLabel(label.rgb());
  return BannerColors{
      .background = withAlpha(QColor(palette.color(QPalette::Window).rgb()),
                              translucent ? kTranslucentBackgroundAlpha : 1.0),
      .label = label,
      .secondaryLabel = palette.color(QPalette::PlaceholderText),
      .separator = withAlpha(solidLabel, 0.25),
      .closeFill = withAlpha(solidLabel, 0.08),
  };
}

// Titles are shown on one line, so each line break inside them becomes a space.
QString singleLine(const QString& text) {
  static const QRegularExpression breaks(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]+"));
  return QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
}

// A flat button that acts on the first click, never takes the focus and never hands a click on
// it to the background, enabled or not.
class BannerButton : public QAbstractButton {
 public:
  explicit BannerButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoMousePropagation);
  }
  void setSymbol(QString symbol, qreal side) {
    symbol_ = std::move(symbol);
    symbolSide_ = side;
    update();
  }
  void setFill(const QColor& fill) {
    fill_ = fill;
    update();
  }
  void setInk(const QColor& ink) {
    ink_ = ink;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (fill_.alpha() > 0) fillRoundedRect(painter, QRectF(rect()), kButtonRadius, fill_);
    const QColor ink = !isEnabled() || isDown() ? withAlpha(ink_, 0.55) : ink_;
    if (!symbol_.isEmpty()) {
      paintSymbol(painter, symbol_, centredSquare(QRectF(rect()), symbolSide_), ink);
      return;
    }
    painter.setFont(font());
    painter.setPen(ink);
    const QRect textBox = rect().adjusted(kButtonTextPadding, 0, -kButtonTextPadding, 0);
    painter.drawText(textBox, Qt::AlignCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, textBox.width()));
  }

 private:
  QString symbol_;
  qreal symbolSide_ = 0;
  QColor fill_ = Qt::transparent;
  QColor ink_;
};

// The accent pill behind the two snooze buttons, with the divider at the options button's edge.
class SnoozeControl : public QWidget {
 public:
  explicit SnoozeControl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoMousePropagation);
  }
  void setAccent(const QColor& accent) {
    accent_ = accent;
    update();
  }
  void setDividerX(int x) {
    dividerX_ = x;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()), kButtonRadius, accent_);
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.38f));
    painter.drawRect(QRectF(dividerX_, (height() - kDividerHeight) / 2, kHairline, kDividerHeight));
  }

 private:
  QColor accent_;
  int dividerX_ = 0;
};

// One open snooze menu: reports its outcome once, whichever way it ends.
struct MenuSession {
  std::function<void(std::optional<int>)> closed;
  bool reported = false;

  void report(std::optional<int> tag) {
    if (reported) return;
    reported = true;
    auto callback = std::move(closed);
    if (callback) callback(tag);
  }
};

}  // namespace

class QtCompletionBannerPanel::Widget : public QWidget {
 public:
  Widget(QtCompletionBannerPanel& owner, bool translucent)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
        owner_(owner),
        translucent_(translucent) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (translucent_) setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);

    icon = new SymbolView(QStringLiteral("timer"), kTimerGlyphSide, this);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the background
    icon->setObjectName(QStringLiteral("icon"));
    icon->setAccessibleName(QStringLiteral("Таймер завершён"));
    title = new QLabel(this);
    title->setObjectName(QStringLiteral("titleLabel"));
    body = new QLabel(QStringLiteral("Время вышло"), this);
    body->setObjectName(QStringLiteral("bodyLabel"));
    for (QLabel* label : {title, body}) {
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      label->setTextFormat(Qt::PlainText);
    }

    closeButton = new BannerButton(this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setText(QStringLiteral("Закрыть"));
    snoozeControl = new SnoozeControl(this);
    snoozeControl->setObjectName(QStringLiteral("snoozeControl"));
    quickSnoozeButton = new BannerButton(snoozeControl);
    quickSnoozeButton->setObjectName(QStringLiteral("quickSnoozeButton"));
    quickSnoozeButton->setInk(Qt::white);
    optionsButton = new BannerButton(snoozeControl);
    optionsButton->setObjectName(QStringLiteral("snoozeOptionsButton"));
    optionsButton->setSymbol(QStringLiteral("chevron.down"), kChevronGlyphSide);
    optionsButton->setInk(Qt::white);
    optionsButton->setToolTip(QStringLiteral("Другое время"));
    optionsButton->setAccessibleName(QStringLiteral("Выбрать время откладывания"));

    // The callbacks are read when the click happens, so they may be set after construction.
    connect(closeButton, &QAbstractButton::clicked, this, [this] { call(owner_.onDismiss); });
    connect(quickSnoozeButton, &QAbstractButton::clicked, this,
            [this] { call(owner_.onQuickSnooze); });
    connect(optionsButton, &QAbstractButton::clicked, this,
            [this] { call(owner_.onShowSnoozeOptions); });

    setAccent(palette().color(QPalette::Highlight));
    resize(kDefaultWidth, kDefaultHeight);
    applyAppearance();
    fitToSize();
  }

  // A hidden window gets its resize event only when shown; the content must fit before that.
  void fitToSize() {
    layoutContent();
    if (!translucent_) {
      // Unshaped, the corners would show the opaque window's black.
      QPainterPath shape;
      shape.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
      setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
  }

  void setTitle(const QString& text) {
    fullTitle_ = singleLine(text);
    applyTitle();
  }

  void setAccent(const QColor& accent) {
    icon->setTint(accent);
    snoozeControl->setAccent(accent);
  }

  SymbolView* icon;
  QLabel* title;
  QLabel* body;
  BannerButton* closeButton;
  SnoozeControl* snoozeControl;
  BannerButton* quickSnoozeButton;
  BannerButton* optionsButton;
  QPointer<QMenu> menu;
  std::shared_ptr<MenuSession> menuSession;

 protected:
  void paintEvent(QPaintEvent*) override {
    const BannerColors colors = bannerColors(*this, translucent_);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()), kCornerRadius, colors.background);
    painter.setBrush(colors.separator);
    painter.drawRect(QRectF(kSideInset, kTopContentHeight, width() - 2 * kSideInset, kHairline));
  }

  // Only the background sees presses: labels and glyphs let them through, buttons keep theirs.
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) {
      QWidget::mousePressEvent(event);
      return;
    }
    event->accept();
    call(owner_.onDismiss);
  }

  void resizeEvent(QResizeEvent*) override { fitToSize(); }

  void changeEvent(QEvent* event) override {
    switch (event->type()) {
      case QEvent::PaletteChange:
      case QEvent::ApplicationPaletteChange:
      case QEvent::FontChange:
      case QEvent::ApplicationFontChange:
        applyAppearance();
        break;
      default:
        break;
    }
    QWidget::changeEvent(event);
  }

 private:
  // A copy, so a callback that replaces itself does not run destroyed.
  static void call(const std::function<void()>& callback) {
    if (auto copy = callback) copy();
  }

  int textWidth() const { return width() - (kSideInset + kIconSide + kTextGap) - kSideInset; }

  void applyTitle() {
    title->setText(
        title->fontMetrics().elidedText(fullTitle_, Qt::ElideRight, std::max(0, textWidth())));
  }

  void applyAppearance() {
    const BannerColors colors = bannerColors(*this, translucent_);
    title->setFont(panelFont(17, QFont::DemiBold));
    setTextColor(*title, colors.label);
    body->setFont(panelFont(13, QFont::Normal));
    setTextColor(*body, colors.secondaryLabel);
    closeButton->setFont(panelFont(12, QFont::Medium));
    closeButton->setInk(colors.label);
    closeButton->setFill(colors.closeFill);
    quickSnoozeButton->setFont(panelFont(12.5, QFont::DemiBold));
    layoutContent();
    update();
  }

  void layoutContent() {
    const int iconTop = (kTopContentHeight - kIconSide) / 2 - kIconRaise;
    icon->setGeometry(kSideInset, iconTop, kIconSide, kIconSide);

    const int textLeft = kSideInset + kIconSide + kTextGap;
    const int titleHeight = title->fontMetrics().height();
    const int bodyHeight = body->fontMetrics().height();
    const int textTop = (kTopContentHeight - (titleHeight + kTextSpacing + bodyHeight)) / 2;
    title->setGeometry(textLeft, textTop, textWidth(), titleHeight);
    body->setGeometry(textLeft, textTop + titleHeight + kTextSpacing, textWidth(), bodyHeight);
    applyTitle();

    const int rowTop = height() - kRowBottomInset - kRowHeight;
    closeButton->setGeometry(kSideInset, rowTop, kCloseWidth, kRowHeight);
    snoozeControl->setGeometry(kSideInset + kCloseWidth + kRowSpacing, rowTop, kSnoozeControlWidth,
                               kRowHeight);
    const int optionsLeft = kSnoozeControlWidth - kOptionsWidth;
    quickSnoozeButton->setGeometry(0, 0, optionsLeft, kRowHeight);
    optionsButton->setGeometry(optionsLeft, 0, kOptionsWidth, kRowHeight);
    snoozeControl->setDividerX(optionsLeft);
  }

  QtCompletionBannerPanel& owner_;
  bool translucent_;
  QString fullTitle_;
};

QtCompletionBannerPanel::QtCompletionBannerPanel(bool hasCompositor)
    : widget_(new Widget(*this, hasCompositor)) {}

QtCompletionBannerPanel::~QtCompletionBannerPanel() {
  delete widget_.data();
}

QWidget* QtCompletionBannerPanel::widget() {
  return widget_;
}

void QtCompletionBannerPanel::setTitle(const std::string& title) {
  widget_->setTitle(QString::fromStdString(title));
}

void QtCompletionBannerPanel::setQuickSnoozeTitle(const std::string& title) {
  widget_->quickSnoozeButton->setText(QString::fromStdString(title));
}

void QtCompletionBannerPanel::setAccentColor(Color accent) {
  widget_->setAccent(toQColor(accent));
}

void QtCompletionBannerPanel::setButtonsEnabled(bool enabled) {
  for (QAbstractButton* button :
       {widget_->closeButton, widget_->quickSnoozeButton, widget_->optionsButton}) {
    button->setEnabled(enabled);
  }
}

Rect QtCompletionBannerPanel::frame() const {
  return toGlobalYUp(widget_->geometry());
}

void QtCompletionBannerPanel::setFrame(const Rect& frame) {
  const QSize before = widget_->size();
  widget_->setGeometry(toQt(frame));
  if (widget_->size() != before) widget_->fitToSize();
}

void QtCompletionBannerPanel::setAlpha(double alpha) {
  widget_->setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
}

void QtCompletionBannerPanel::orderFrontRegardless() {
  widget_->show();
  widget_->raise();
}

void QtCompletionBannerPanel::orderOut() {
  // A menu left open would float where the chevron was, over whatever comes next.
  closeSnoozeMenu();
  widget_->hide();
}

void QtCompletionBannerPanel::closeSnoozeMenu() {
  Widget& w = *widget_;
  if (w.menuSession) w.menuSession->report(std::nullopt);
  if (w.menu) {
    w.menu->close();
    w.menu->deleteLater();
  }
}

bool QtCompletionBannerPanel::isVisible() const {
  return widget_->isVisible();
}

void QtCompletionBannerPanel::fadeOut(double duration, std::function<void()> completion) {
  auto finish = [completion = std::move(completion)] {
    if (completion) completion();
  };
  const auto milliseconds = static_cast<int>(std::lround(std::max(0.0, duration) * 1000));
  if (milliseconds == 0) {
    // Still from the event loop, as an animation's end would be.
    widget_->setWindowOpacity(0);
    QTimer::singleShot(0, widget_, std::move(finish));
    return;
  }
  auto* animation = new QPropertyAnimation(widget_, "windowOpacity", widget_);
  animation->setDuration(milliseconds);
  animation->setStartValue(widget_->windowOpacity());
  animation->setEndValue(0.0);
  QObject::connect(animation, &QAbstractAnimation::finished, widget_, std::move(finish));
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void QtCompletionBannerPanel::popUpSnoozeMenu(std::vector<SnoozeMenuItem> items,
                                              std::function<void(std::optional<int> tag)> closed) {
  closeSnoozeMenu();
  Widget& w = *widget_;
  auto session = std::make_shared<MenuSession>();
  session->closed = std::move(closed);
  w.menuSession = session;
  auto* menu = new QMenu(&w);
  w.menu = menu;
  for (const SnoozeMenuItem& item : items) {
    QAction* action = menu->addAction(QString::fromStdString(item.title));
    // Only the current choice is checkable, so the others show no empty box beside them.
    action->setCheckable(item.checked);
    action->setChecked(item.checked);
    const int tag = item.tag;
    QObject::connect(action, &QAction::triggered, menu, [session, tag] { session->report(tag); });
  }
  QPointer<QMenu> guardedMenu = menu;
  QObject::connect(menu, &QMenu::aboutToHide, &w, [session, guardedMenu, &w] {
    // A chosen item is triggered only after its menu has started hiding, so the dismissal is
    // decided a turn later.
    QTimer::singleShot(0, &w, [session, guardedMenu] {
      session->report(std::nullopt);
      if (guardedMenu) guardedMenu->deleteLater();
    });
  });

  QWidget* chevron = w.optionsButton;
  menu->popup(chevron->mapToGlobal(QPoint(chevron->width(), chevron->height())));
}

}  // namespace brindlecap
