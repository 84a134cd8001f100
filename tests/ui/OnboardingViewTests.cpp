#include "ui/OnboardingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "settings/AppSettingsStore.h"
#include "support/FakeLoginItems.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"
#include "ui/QtColor.h"

namespace brindlecap {
namespace {

QString shortcutBody(const QString& shortcut) {
  return "Нажмите " + shortcut +
         ", чтобы открыть список таймеров. Кнопка «+» в его заголовке создаёт таймер вручную, если "
         "жест недоступен.";
}

class OnboardingViewTest : public ::testing::Test {
 protected:
  OnboardingViewTest() { testing::ensureQtApplication(); }

  std::unique_ptr<OnboardingView> makeView() {
    auto view = std::make_unique<OnboardingView>(settings, [this] { ++finishCount; });
    view->show();
    QCoreApplication::processEvents();
    return view;
  }
  template <typename T = QLabel>
  static T* child(const OnboardingView& view, const char* name) {
    T* widget = view.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  testing::InMemoryDefaultsStore defaults;
  testing::FakeLoginItems loginItems;
  testing::VirtualTime time;
  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  int finishCount = 0;
};

TEST_F(OnboardingViewTest, PagesForwardAndBackThenFinishesOnceWithoutWritingSettings) {
  auto view = makeView();
  const std::vector<std::pair<QString, QString>> pages{
      {"Таймер одним движением",
       "Потяните значок Brindlecap из строки меню вниз.\nОтпустите его на нужной длительности — "
       "затем при желании задайте название."},
      {"Держите значок на виду",
       "Если строка меню заполнена, удерживайте ⌘ и перетащите значок Brindlecap ближе к правому "
       "краю. Так macOS будет чаще оставлять его видимым."},
      {"Доступен и без значка", shortcutBody("⌃⌥⌘M")}};
  // Which button is pressed, then the page shown and how often the view has finished.
  const std::vector<std::tuple<const char*, int, int>> walk{
      {nullptr, 0, 0},         {"primaryButton", 1, 0}, {"primaryButton", 2, 0},
      {"backButton", 1, 0},    {"backButton", 0, 0},    {"primaryButton", 1, 0},
      {"primaryButton", 2, 0}, {"primaryButton", 2, 1}};
  for (const auto& [pressed, step, finished] : walk) {
    SCOPED_TRACE(::testing::Message() << (pressed ? pressed : "start") << " → " << step);
    if (pressed) child<QPushButton>(*view, pressed)->click();
    EXPECT_EQ(view->step(), step);
    EXPECT_EQ(child(*view, "counterLabel")->text(), QString("%1 из 3").arg(step + 1));
    EXPECT_EQ(child<QPushButton>(*view, "backButton")->isVisible(), step > 0);
    EXPECT_EQ(child<QPushButton>(*view, "primaryButton")->text(), step == 2 ? "Начать" : "Далее");
    EXPECT_EQ(child(*view, "titleLabel")->text(), pages[step].first);
    EXPECT_EQ(child(*view, "bodyLabel")->text(), pages[step].second);
    EXPECT_EQ(finishCount, finished);
  }
  EXPECT_TRUE(defaults.writes.empty()) << "the view must not write settings";

  settings->globalShortcut.set(
      {GlobalShortcut::kKeyD, GlobalShortcut::kShift | GlobalShortcut::kCommand});
  EXPECT_EQ(child(*view, "bodyLabel")->text(), shortcutBody("⇧⌘D")) << "follows the setting live";
}

TEST_F(OnboardingViewTest, SymbolAndPrimaryButtonFollowTheAccentColour) {
  auto view = makeView();
  QWidget* symbol = child<QWidget>(*view, "symbolView");
  auto* primary = child<QPushButton>(*view, "primaryButton");
  for (ThreadColorPreset preset : {ThreadColorPreset::teal, ThreadColorPreset::orange}) {
    SCOPED_TRACE(std::string(rawValue(preset)));
    settings->threadColor.set(preset);
    const QColor accent = toQColor(color(preset));
    QImage image(symbol->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    symbol->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    QColor strongest(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y).alpha() > strongest.alpha()) strongest = image.pixelColor(x, y);
    // Inside the button's fill, clear of the rounded corner and the text.
    const QColor fill = primary->grab().toImage().pixelColor(4, primary->height() / 2);
    for (const QColor& painted : {strongest, fill}) {
      EXPECT_NEAR(painted.red(), accent.red(), 3);
      EXPECT_NEAR(painted.green(), accent.green(), 3);
      EXPECT_NEAR(painted.blue(), accent.blue(), 3);
    }
  }
}

// The window never grows, so every page must fit it as it is: the whole wrapped body shown, the
// buttons inside the frame. Checked at the default font and a larger desktop font.
TEST_F(OnboardingViewTest, EveryPageFitsTheFixedFrame) {
  const QFont original = QApplication::font();
  for (qreal pointSize : {original.pointSizeF(), 11.0}) {
    QFont font = original;
    font.setPointSizeF(pointSize);
    QApplication::setFont(font);
    auto view = makeView();
    EXPECT_EQ(view->size(), QSize(OnboardingView::kWidth, OnboardingView::kHeight));
    for (int step = 0; step < 3; ++step) {
      SCOPED_TRACE(::testing::Message() << "font " << pointSize << " step " << step);
      QCoreApplication::processEvents();
      const QLabel* body = child(*view, "bodyLabel");
      EXPECT_GE(body->height(), body->heightForWidth(body->width()));
      EXPECT_TRUE(child<QWidget>(*view, "page")->rect().contains(body->geometry()));
      auto* primary = child<QPushButton>(*view, "primaryButton");
      EXPECT_TRUE(
          view->rect().contains(QRect(primary->mapTo(view.get(), QPoint()), primary->size())));
      primary->click();
    }
  }
  QApplication::setFont(original);
}

}  // namespace
}  // namespace brindlecap
