#include "ui/CompletionBannerView.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>
#include <utility>

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
// (A loop rather than a regular expression: PCRE would stay resident for this one use.)
QString singleLine(const QString& text) {
  const auto isBreak = [](QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar(0x2028) || c == QChar(0x2029);
  };
  QString line;
  line.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!isBreak(text[i])) {
      line += text[i];
    } else if (i == 0 || !isBreak(text[i - 1])) {
      line += u' ';
    }
  }
  return line.trimmed();
}

// A copy, so a callback that replaces itself does not run destroyed.
void call(const std::function<void()>& callback) {
  if (auto copy = callback) copy();
}

}  // namespace

// A flat button that acts on the first click, never takes the focus and never hands a click on
// it to the background, enabled or not.
class CompletionBannerView::BannerButton : public QAbstractButton {
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
  // The width that shows the whole title.
  int fullTextWidth() const {
    return qCeil(QFontMetricsF(font()).horizontalAdvance(text())) + 2 * kButtonTextPadding;
  }
  // A title too long for the button is cut, and then shown whole on hover. Called once laid out.
  void refreshToolTip() {
    if (symbol_.isEmpty()) setToolTip(displayedText() == text() ? QString() : text());
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
    painter.drawText(textBox(), Qt::AlignCenter, displayedText());
  }

 private:
  QRect textBox() const { return rect().adjusted(kButtonTextPadding, 0, -kButtonTextPadding, 0); }
  QString displayedText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, textBox().width());
  }

  QString symbol_;
  qreal symbolSide_ = 0;
  QColor fill_ = Qt::transparent;
  QColor ink_;
};

// The accent pill behind the two snooze buttons, with the divider at the options button's edge.
class CompletionBannerView::SnoozeControl : public QWidget {
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
struct CompletionBannerView::MenuSession {
  std::function<void(std::optional<int>)> closed;
  bool reported = false;

  void report(std::optional<int> tag) {
    if (reported) return;
    reported = true;
    auto callback = std::move(closed);
    if (callback) callback(tag);
  }
};

CompletionBannerView::CompletionBannerView(bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      translucent_(translucent) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  // Never active, so tool tips must be asked for.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  if (translucent_) setAttribute(Qt::WA_TranslucentBackground);
  setFocusPolicy(Qt::NoFocus);

  icon_ = new SymbolView(QStringLiteral("timer"), kTimerGlyphSide, this);
  icon_->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the background
  icon_->setObjectName(QStringLiteral("icon"));
  icon_->setAccessibleName(QStringLiteral("Таймер завершён"));
  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("titleLabel"));
  fullBody_ = QStringLiteral("Время вышло");
  body_ = new QLabel(fullBody_, this);
  body_->setObjectName(QStringLiteral("bodyLabel"));
  for (QLabel* label : {title_, body_}) label->setTextFormat(Qt::PlainText);
  // The body lets the pointer through; the title keeps it for its tool tip, and its presses still
  // reach the background, since a label leaves them unhandled.
  body_->setAttribute(Qt::WA_TransparentForMouseEvents);

  closeButton_ = new BannerButton(this);
  closeButton_->setObjectName(QStringLiteral("closeButton"));
  closeButton_->setText(QStringLiteral("Закрыть"));
  snoozeControl_ = new SnoozeControl(this);
  snoozeControl_->setObjectName(QStringLiteral("snoozeControl"));
  quickSnoozeButton_ = new BannerButton(snoozeControl_);
  quickSnoozeButton_->setObjectName(QStringLiteral("quickSnoozeButton"));
  quickSnoozeButton_->setInk(Qt::white);
  optionsButton_ = new BannerButton(snoozeControl_);
  optionsButton_->setObjectName(QStringLiteral("snoozeOptionsButton"));
  optionsButton_->setSymbol(QStringLiteral("chevron.down"), kChevronGlyphSide);
  optionsButton_->setInk(Qt::white);
  optionsButton_->setToolTip(QStringLiteral("Другое время"));
  optionsButton_->setAccessibleName(QStringLiteral("Выбрать время откладывания"));

  connect(closeButton_, &QAbstractButton::clicked, this, [this] { call(onDismiss); });
  connect(quickSnoozeButton_, &QAbstractButton::clicked, this, [this] { call(onQuickSnooze); });
  connect(optionsButton_, &QAbstractButton::clicked, this, [this] { call(onShowSnoozeOptions); });

  setAccent(palette().color(QPalette::Highlight));
  resize(kDefaultWidth, kDefaultHeight);
  applyAppearance();
  fitToSize();
}

CompletionBannerView::~CompletionBannerView() = default;

void CompletionBannerView::fitToSize() {
  layoutContent();
  if (!translucent_) {
    // Unshaped, the corners would show the opaque window's black.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
  }
}

void CompletionBannerView::setTitle(const QString& text) {
  fullTitle_ = singleLine(text);
  applyTitle();
}

void CompletionBannerView::setBody(const QString& text) {
  fullBody_ = singleLine(text);
  applyBody();
}

void CompletionBannerView::setQuickSnoozeTitle(const QString& text) {
  quickSnoozeButton_->setText(text);
  layoutContent();
}

void CompletionBannerView::setAccent(const QColor& accent) {
  icon_->setTint(accent);
  snoozeControl_->setAccent(accent);
}

void CompletionBannerView::setButtonsEnabled(bool enabled) {
  for (QAbstractButton* button : {static_cast<QAbstractButton*>(closeButton_),
                                  static_cast<QAbstractButton*>(quickSnoozeButton_),
                                  static_cast<QAbstractButton*>(optionsButton_)}) {
    button->setEnabled(enabled);
  }
}

void CompletionBannerView::paintEvent(QPaintEvent*) {
  const BannerColors colors = bannerColors(*this, translucent_);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  fillRoundedRect(painter, QRectF(rect()), kCornerRadius, colors.background);
  painter.setBrush(colors.separator);
  painter.drawRect(QRectF(kSideInset, kTopContentHeight, width() - 2 * kSideInset, kHairline));
}

// Only the background sees presses: labels and glyphs let them through, buttons keep theirs.
void CompletionBannerView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  call(onDismiss);
}

void CompletionBannerView::resizeEvent(QResizeEvent*) {
  fitToSize();
}

void CompletionBannerView::changeEvent(QEvent* event) {
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

int CompletionBannerView::textWidth() const {
  return width() - (kSideInset + kIconSide + kTextGap) - kSideInset;
}

void CompletionBannerView::applyTitle() {
  const QString shown =
      title_->fontMetrics().elidedText(fullTitle_, Qt::ElideRight, std::max(0, textWidth()));
  title_->setText(shown);
  title_->setToolTip(shown == fullTitle_ ? QString() : fullTitle_);
}

void CompletionBannerView::applyBody() {
  // The dated forms fit in the fonts we know; an unknown, wider one cuts rather than wraps.
  body_->setText(
      body_->fontMetrics().elidedText(fullBody_, Qt::ElideRight, std::max(0, textWidth())));
}

void CompletionBannerView::applyAppearance() {
  const BannerColors colors = bannerColors(*this, translucent_);
  title_->setFont(panelFont(17, QFont::DemiBold));
  setTextColor(*title_, colors.label);
  body_->setFont(panelFont(13, QFont::Normal));
  setTextColor(*body_, colors.secondaryLabel);
  closeButton_->setFont(panelFont(12, QFont::Medium));
  closeButton_->setInk(colors.label);
  closeButton_->setFill(colors.closeFill);
  quickSnoozeButton_->setFont(panelFont(12.5, QFont::DemiBold));
  layoutContent();
  update();
}

void CompletionBannerView::layoutContent() {
  const int iconTop = (kTopContentHeight - kIconSide) / 2 - kIconRaise;
  icon_->setGeometry(kSideInset, iconTop, kIconSide, kIconSide);

  const int textLeft = kSideInset + kIconSide + kTextGap;
  const int titleHeight = title_->fontMetrics().height();
  const int bodyHeight = body_->fontMetrics().height();
  const int textTop = (kTopContentHeight - (titleHeight + kTextSpacing + bodyHeight)) / 2;
  title_->setGeometry(textLeft, textTop, textWidth(), titleHeight);
  body_->setGeometry(textLeft, textTop + titleHeight + kTextSpacing, textWidth(), bodyHeight);
  applyTitle();
  applyBody();

  // The snooze title stays whole: in a desktop font wider than the row was drawn for, the pill
  // takes the room it needs from "Закрыть", as far as that one stays whole too.
  const int wanted = quickSnoozeButton_->fullTextWidth() + kOptionsWidth - kSnoozeControlWidth;
  const int spare = kCloseWidth - closeButton_->fullTextWidth();
  const int moved = std::clamp(wanted, 0, std::max(spare, 0));
  const int closeWidth = kCloseWidth - moved;
  const int snoozeWidth = kSnoozeControlWidth + moved;
  const int rowTop = height() - kRowBottomInset - kRowHeight;
  closeButton_->setGeometry(kSideInset, rowTop, closeWidth, kRowHeight);
  snoozeControl_->setGeometry(kSideInset + closeWidth + kRowSpacing, rowTop, snoozeWidth,
                              kRowHeight);
  const int optionsLeft = snoozeWidth - kOptionsWidth;
  quickSnoozeButton_->setGeometry(0, 0, optionsLeft, kRowHeight);
  optionsButton_->setGeometry(optionsLeft, 0, kOptionsWidth, kRowHeight);
  closeButton_->refreshToolTip();
  quickSnoozeButton_->refreshToolTip();
  snoozeControl_->setDividerX(optionsLeft);
}

void CompletionBannerView::closeSnoozeMenu() {
  if (menuSession_) menuSession_->report(std::nullopt);
  if (menu_) {
    menu_->close();
    menu_->deleteLater();
  }
}

void CompletionBannerView::popUpSnoozeMenu(const std::vector<SnoozeMenuItem>& items,
                                           std::function<void(std::optional<int> tag)> closed) {
  closeSnoozeMenu();
  auto session = std::make_shared<MenuSession>();
  session->closed = std::move(closed);
  menuSession_ = session;
  auto* menu = new QMenu(this);
  menu_ = menu;
  for (const SnoozeMenuItem& item : items) {
    QAction* action = menu->addAction(QString::fromStdString(item.title));
    // Only the current choice is checkable, so the others show no empty box beside them.
    action->setCheckable(item.checked);
    action->setChecked(item.checked);
    const int tag = item.tag;
    connect(action, &QAction::triggered, menu, [session, tag] { session->report(tag); });
  }
  QPointer<QMenu> guardedMenu = menu;
  connect(menu, &QMenu::aboutToHide, this, [this, session, guardedMenu] {
    // A chosen item is triggered only after its menu has started hiding, so the dismissal is
    // decided a turn later.
    QTimer::singleShot(0, this, [session, guardedMenu] {
      session->report(std::nullopt);
      if (guardedMenu) guardedMenu->deleteLater();
    });
  });

  menu->popup(
      optionsButton_->mapToGlobal(QPoint(optionsButton_->width(), optionsButton_->height())));
}

}  // namespace brindlecap
