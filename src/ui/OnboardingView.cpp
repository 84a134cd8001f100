#include "ui/OnboardingView.h"

#include <cmath>
#include <string>
#include <utility>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/AppSettingsStore.h"
#include "ui/PanelStyle.h"
#include "ui/PanelWidgets.h"
#include "ui/QtColor.h"

namespace brindlecap {

namespace {

constexpr int kPageCount = 3;
constexpr int kLastStep = kPageCount - 1;
constexpr int kIconSide = 30;
constexpr qreal kIconCornerRadius = 8;
constexpr int kSymbolSide = 39;

// The application icon (data/org.brindlecap.Brindlecap.svg, a 256-unit square) redrawn with
// QPainter: Qt reads SVG only through a module we do not ship.
void paintApplicationIcon(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.topLeft());
  painter.scale(box.width() / 256.0, box.height() / 256.0);
  painter.setPen(Qt::NoPen);

  QLinearGradient base(0, 16, 0, 240);
  base.setColorAt(0, QColor(0x2d, 0x25, 0x40));
  base.setColorAt(1, QColor(0x16, 0x12, 0x1f));
  painter.setBrush(base);
  painter.drawRoundedRect(QRectF(16, 16, 224, 224), 56, 56);

  // Twelve dots clockwise from twelve o'clock, the last three still to go.
  const QColor purple(0xb0, 0x1a, 0xd1);
  const QPointF centre(118, 118);
  for (int i = 0; i < 12; ++i) {
    const qreal radians = i * M_PI / 6;
    painter.setBrush(i < 9 ? purple : QColor(255, 255, 255, 61));
    painter.drawEllipse(centre + QPointF(std::sin(radians), -std::cos(radians)) * 72, 13.5, 13.5);
  }

  const QPointF tetherStart(134.97, 134.97);
  const QPointF bubble(197.2, 197.2);
  QPen glow(QColor(0xc9, 0x4b, 0xe6, 89), 14, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(glow);
  painter.drawLine(tetherStart, bubble);
  painter.setPen(QPen(QColor(0xec, 0xc2, 0xf7), 5, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(tetherStart, bubble);

  painter.setPen(Qt::NoPen);
  painter.setBrush(purple);
  painter.drawEllipse(centre, 20, 20);
  painter.setBrush(Qt::white);
  painter.drawEllipse(centre, 8, 8);
  painter.setPen(QPen(purple, 7));
  painter.drawEllipse(bubble, 17, 17);
  painter.restore();
}

class ApplicationIconView : public QWidget {
 public:
  explicit ApplicationIconView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kIconSide, kIconSide);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), kIconCornerRadius, kIconCornerRadius);
    painter.setClipPath(clip);
    paintApplicationIcon(painter, QRectF(rect()));
  }
};

// The same shape as the prominent button, outlined, so the two sit as a pair; the accent marks
// keyboard focus.
QString borderedButtonStyle(const QColor& accent) {
  return QStringLiteral(
             "QPushButton { background-color: palette(button); color: palette(button-text);"
             " border: 1px solid palette(mid); border-radius: 6px; padding: 4px 13px; }"
             "QPushButton:focus { border-color: %1; }"
             "QPushButton:pressed { background-color: palette(midlight); }")
      .arg(cssColor(accent));
}

QLabel* makeLabel(const char* objectName, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(objectName));
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

OnboardingView::OnboardingView(std::shared_ptr<AppSettingsStore> settings,
                               std::function<void()> onFinish, QWidget* parent)
    : QWidget(parent),
      settings_(std::move(settings)),
      onFinish_(std::move(onFinish)),
      nameLabel_(makeLabel("nameLabel", this)),
      counterLabel_(makeLabel("counterLabel", this)),
      symbolView_(new SymbolView({}, kSymbolSide, this)),
      titleLabel_(makeLabel("titleLabel", this)),
      bodyLabel_(makeLabel("bodyLabel", this)),
      backButton_(new QPushButton(QStringLiteral("Назад"), this)),
      primaryButton_(new QPushButton(this)) {
  symbolView_->setObjectName(QStringLiteral("symbolView"));
  backButton_->setObjectName(QStringLiteral("backButton"));
  primaryButton_->setObjectName(QStringLiteral("primaryButton"));

  auto* icon = new ApplicationIconView(this);
  icon->setObjectName(QStringLiteral("applicationIcon"));
  nameLabel_->setText(QStringLiteral("Brindlecap"));

  auto* header = new QHBoxLayout;
  header->setContentsMargins(24, 18, 24, 18);
  header->setSpacing(9);
  header->addWidget(icon, 0, Qt::AlignVCenter);
  header->addWidget(nameLabel_, 0, Qt::AlignVCenter);
  header->addStretch(1);
  header->addWidget(counterLabel_, 0, Qt::AlignVCenter);

  titleLabel_->setAlignment(Qt::AlignCenter);
  bodyLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  bodyLabel_->setWordWrap(true);

  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("page"));
  auto* pageStack = new QVBoxLayout(page);
  pageStack->setContentsMargins(38, 0, 38, 0);
  pageStack->setSpacing(14);
  pageStack->addStretch(1);
  pageStack->addWidget(symbolView_, 0, Qt::AlignHCenter);
  pageStack->addWidget(titleLabel_);
  pageStack->addWidget(bodyLabel_);
  pageStack->addStretch(1);

  // Keeps the footer's height when "Назад" goes away on the first page.
  QSizePolicy backPolicy = backButton_->sizePolicy();
  backPolicy.setRetainSizeWhenHidden(true);
  backButton_->setSizePolicy(backPolicy);
  // Return and Space move on from the keyboard alone.
  primaryButton_->setAutoDefault(true);
  primaryButton_->setFocus();

  auto* footer = new QHBoxLayout;
  footer->setContentsMargins(24, 15, 24, 15);
  footer->addWidget(backButton_, 0, Qt::AlignVCenter);
  footer->addStretch(1);
  footer->addWidget(primaryButton_, 0, Qt::AlignVCenter);

  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(0);
  stack->addLayout(header);
  stack->addWidget(new Divider(this));
  stack->addWidget(page, 1);
  stack->addWidget(new Divider(this));
  stack->addLayout(footer);

  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);

  connect(backButton_, &QPushButton::clicked, this, [this] { goBack(); });
  connect(primaryButton_, &QPushButton::clicked, this, [this] { goForward(); });

  applyTextStyles();
  applyAccent();
  accentSubscription_ =
      settings_->threadColor.subscribe([this](const ThreadColorPreset&) { applyAccent(); },
                                       Published<ThreadColorPreset>::Delivery::changesOnly);
  shortcutSubscription_ = settings_->globalShortcut.subscribe([this](const GlobalShortcut& value) {
    shortcut_ = QString::fromStdString(value.hotKeyCombination().text());
    refresh();
  });
}

OnboardingView::~OnboardingView() = default;

int OnboardingView::step() const {
  return step_;
}

OnboardingView::Page OnboardingView::gestureStep() const {
  return {QStringLiteral("cursorarrow.rays"), QStringLiteral("Таймер одним движением"),
          QStringLiteral("Потяните значок Brindlecap из строки меню вниз.\nОтпустите его на нужной "
                         "длительности — затем при желании задайте название.")};
}

OnboardingView::Page OnboardingView::menuBarStep() const {
  return {QStringLiteral("menubar.rectangle"), QStringLiteral("Держите значок на виду"),
          QStringLiteral("Значок Brindlecap появляется в области уведомлений на панели. Если "
                         "такой области нет, он висит у верхнего края экрана — потянуть его вниз "
                         "можно и оттуда.")};
}

OnboardingView::Page OnboardingView::shortcutStep() const {
  return {QStringLiteral("command"), QStringLiteral("Доступен и без значка"),
          QStringLiteral("Нажмите ") + shortcut_ +
              QStringLiteral(", чтобы открыть список таймеров. Кнопка «+» в его заголовке "
                             "создаёт таймер вручную, если жест недоступен.")};
}

OnboardingView::Page OnboardingView::currentPage() const {
  switch (step_) {
    case 0:
      return gestureStep();
    case 1:
      return menuBarStep();
    default:
      return shortcutStep();
  }
}

void OnboardingView::goBack() {
  if (step_ <= 0) return;
  --step_;
  refresh();
}

void OnboardingView::goForward() {
  if (step_ >= kLastStep) {
    // A copy: the host may tear the window down from inside the callback.
    auto callback = onFinish_;
    if (callback) callback();
    return;
  }
  ++step_;
  refresh();
}

void OnboardingView::refresh() {
  const Page page = currentPage();
  counterLabel_->setText(QString::number(step_ + 1) + QStringLiteral(" из ") +
                         QString::number(kPageCount));
  symbolView_->setSymbol(page.symbol);
  titleLabel_->setText(page.title);
  bodyLabel_->setText(page.body);
  backButton_->setVisible(step_ >= 1);
  primaryButton_->setText(step_ >= kLastStep ? QStringLiteral("Начать") : QStringLiteral("Далее"));
}

void OnboardingView::applyAccent() {
  const Color accent = color(settings_->threadColor.value(), isDark(*this));
  symbolView_->setTint(toQColor(accent));
  primaryButton_->setStyleSheet(prominentButtonStyle(accent));
  backButton_->setStyleSheet(borderedButtonStyle(toQColor(accent)));
}

void OnboardingView::applyTextStyles() {
  const QColor secondary = secondaryColor(*this);
  nameLabel_->setFont(pixelSizedFont(15, QFont::DemiBold));
  counterLabel_->setFont(pixelSizedFont(11, QFont::Normal));
  setTextColor(*counterLabel_, secondary);
  titleLabel_->setFont(pixelSizedFont(22, QFont::Bold));
  bodyLabel_->setFont(pixelSizedFont(13, QFont::Normal));
  setTextColor(*bodyLabel_, secondary);
  const QFont buttonFont = pixelSizedFont(13, QFont::Normal);
  backButton_->setFont(buttonFont);
  primaryButton_->setFont(buttonFont);
}

void OnboardingView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    applyTextStyles();
    applyAccent();
  } else if (event->type() == QEvent::ApplicationFontChange) {
    applyTextStyles();
  }
}

}  // namespace brindlecap
