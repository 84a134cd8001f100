#include "app/OnboardingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettingsStore.h"
#include "platform/linux/QtColor.h"
#include "support/FakeLoginItems.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

const QString kGestureBody = QStringLiteral(
    "Потяните значок Brindlecap из строки меню вниз.\nОтпустите его на нужной длительности — "
    "затем при желании задайте название.");
const QString kMenuBarBody = QStringLiteral(
    "Если строка меню заполнена, удерживайте ⌘ и перетащите значок Brindlecap ближе к правому "
    "краю. Так macOS будет чаще оставлять его видимым.");

QString shortcutBody(const QString& shortcut) {
  return QStringLiteral("Нажмите ") + shortcut +
         QStringLiteral(
             ", чтобы открыть список таймеров. Кнопка «+» в его заголовке создаёт "
             "таймер вручную, если жест недоступен.");
}

class OnboardingViewTest : public ::testing::Test {
 protected:
  OnboardingViewTest() {
    testing::ensureQtApplication();
    settings = std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  }

  std::unique_ptr<OnboardingView> makeView() {
    auto view = std::make_unique<OnboardingView>(settings, [this] { ++finishCount; });
    view->show();
    QCoreApplication::processEvents();
    return view;
  }

  template <typename T = QWidget>
  static T* child(const OnboardingView& view, const char* name) {
    T* widget = view.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static QString text(const OnboardingView& view, const char* label) {
    return child<QLabel>(view, label)->text();
  }
  static QPushButton* button(const OnboardingView& view, const char* name) {
    return child<QPushButton>(view, name);
  }

  testing::InMemoryDefaultsStore defaults;
  testing::FakeLoginItems loginItems;
  testing::VirtualTime time;
  std::shared_ptr<AppSettingsStore> settings;
  int finishCount = 0;
};

TEST_F(OnboardingViewTest, PagesForwardAndBackWithCounterButtonsAndTexts) {
  auto view = makeView();
  const std::size_t writesBefore = defaults.writes.size();

  enum class Press { none, primary, back };
  struct Expected {
    Press press;
    int step;
    QString counter;
    bool backVisible;
    QString primary;
    QString title;
    QString body;
    int finishCount;
  };
  const QString shortcut = shortcutBody(QStringLiteral("⌃⌥⌘M"));
  const std::vector<Expected> walk = {
      {Press::none, 0, "1 из 3", false, "Далее", "Таймер одним движением", kGestureBody, 0},
      {Press::primary, 1, "2 из 3", true, "Далее", "Держите значок на виду", kMenuBarBody, 0},
      {Press::primary, 2, "3 из 3", true, "Начать", "Доступен и без значка", shortcut, 0},
      {Press::back, 1, "2 из 3", true, "Далее", "Держите значок на виду", kMenuBarBody, 0},
      {Press::back, 0, "1 из 3", false, "Далее", "Таймер одним движением", kGestureBody, 0},
      // Three presses from the first page: pages 2 and 3, then one finish, and the page stays.
      {Press::primary, 1, "2 из 3", true, "Далее", "Держите значок на виду", kMenuBarBody, 0},
      {Press::primary, 2, "3 из 3", true, "Начать", "Доступен и без значка", shortcut, 0},
      {Press::primary, 2, "3 из 3", true, "Начать", "Доступен и без значка", shortcut, 1},
  };
  for (std::size_t i = 0; i < walk.size(); ++i) {
    const Expected& e = walk[i];
    SCOPED_TRACE(i);
    if (e.press == Press::primary) button(*view, "primaryButton")->click();
    if (e.press == Press::back) button(*view, "backButton")->click();
    EXPECT_EQ(view->step(), e.step);
    EXPECT_EQ(text(*view, "counterLabel"), e.counter);
    EXPECT_EQ(button(*view, "backButton")->isVisible(), e.backVisible);
    EXPECT_EQ(button(*view, "primaryButton")->text(), e.primary);
    EXPECT_EQ(text(*view, "titleLabel"), e.title);
    EXPECT_EQ(text(*view, "bodyLabel"), e.body);
    EXPECT_EQ(finishCount, e.finishCount);
  }
  EXPECT_EQ(defaults.writes.size(), writesBefore) << "the view must not write settings";
}

TEST_F(OnboardingViewTest, ShortcutSentenceFollowsTheSettingLive) {
  auto view = makeView();
  button(*view, "primaryButton")->click();
  button(*view, "primaryButton")->click();
  ASSERT_EQ(view->step(), 2);
  settings->globalShortcut.set(
      {GlobalShortcut::kKeyD, GlobalShortcut::kShift | GlobalShortcut::kCommand});
  EXPECT_EQ(text(*view, "bodyLabel"), shortcutBody(QStringLiteral("⇧⌘D")));
}

// The colour the widget paints most opaquely over nothing, or at `at` when given.
QColor paintedColour(QWidget* widget, std::optional<QPoint> at = std::nullopt) {
  QImage image(widget->size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  if (at) return image.pixelColor(*at);
  QColor strongest(Qt::transparent);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).alpha() > strongest.alpha()) strongest = image.pixelColor(x, y);
  return strongest;
}

void expectNear(const QColor& actual, const QColor& expected, const char* what) {
  EXPECT_NEAR(actual.red(), expected.red(), 3) << what;
  EXPECT_NEAR(actual.green(), expected.green(), 3) << what;
  EXPECT_NEAR(actual.blue(), expected.blue(), 3) << what;
}

TEST_F(OnboardingViewTest, SymbolAndPrimaryButtonFollowTheAccentColour) {
  auto view = makeView();
  QWidget* symbol = child<QWidget>(*view, "symbolView");
  QPushButton* primary = button(*view, "primaryButton");
  for (ThreadColorPreset preset : {ThreadColorPreset::teal, ThreadColorPreset::orange,
                                   ThreadColorPreset::gray, ThreadColorPreset::purple}) {
    SCOPED_TRACE(std::string(rawValue(preset)));
    settings->threadColor.set(preset);
    const QColor accent = toQColor(color(preset));
    expectNear(paintedColour(symbol), accent, "symbol");
    // Inside the fill, clear of the rounded corner and the text.
    expectNear(paintedColour(primary, QPoint(4, primary->height() / 2)), accent, "button");
  }
}

// The window never grows, so every page must fit it as it is: the whole wrapped body shown, the
// buttons inside the frame. Checked at the default font and a larger desktop font.
TEST_F(OnboardingViewTest, EveryPageFitsTheFixedFrame) {
  const QFont original = QApplication::font();
  const QString artifacts = qEnvironmentVariable("BRINDLECAP_ARTIFACTS");
  for (qreal pointSize : {original.pointSizeF(), 11.0}) {
    QFont font = original;
    font.setPointSizeF(pointSize);
    QApplication::setFont(font);
    auto view = makeView();
    EXPECT_EQ(view->size(), QSize(OnboardingView::kWidth, OnboardingView::kHeight));
    for (int step = 0; step < 3; ++step) {
      SCOPED_TRACE(::testing::Message() << "font " << pointSize << " step " << step);
      ASSERT_EQ(view->step(), step);
      QCoreApplication::processEvents();
      const QLabel* body = child<QLabel>(*view, "bodyLabel");
      EXPECT_GE(body->height(), body->heightForWidth(body->width()));
      EXPECT_TRUE(child(*view, "page")->rect().contains(body->geometry()));
      const QPushButton* primary = button(*view, "primaryButton");
      EXPECT_TRUE(
          view->rect().contains(QRect(primary->mapTo(view.get(), QPoint()), primary->size())));
      if (!artifacts.isEmpty()) {
        view->grab().save(QDir(artifacts).filePath(
            QStringLiteral("onboarding-%1pt-page%2.png").arg(pointSize).arg(step + 1)));
      }
      if (step < 2) button(*view, "primaryButton")->click();
    }
  }
  QApplication::setFont(original);
}

}  // namespace
}  // namespace brindlecap
