#include "ui/OnboardingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "settings/AppSettingsStore.h"
#include "support/FakeAppPlatform.h"
#include "support/QtTestApplication.h"
#include "ui/QtColor.h"

namespace brindlecap {
namespace {

using testing::child;

class OnboardingViewTest : public ::testing::Test, public testing::FakeAppPlatform {
 protected:
  OnboardingViewTest() { testing::ensureQtApplication(); }

  std::unique_ptr<OnboardingView> makeView() {
    auto view = std::make_unique<OnboardingView>(settings, [this] { ++finishCount; });
    view->show();
    QCoreApplication::processEvents();
    return view;
  }

  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  int finishCount = 0;
};

TEST_F(OnboardingViewTest, PagesForwardAndBackThenFinishesOnceWithoutWritingSettings) {
  auto view = makeView();
  const QString titles[] = {"Таймер одним движением", "Держите значок на виду",
                            "Доступен и без значка"};
  // Which button is pressed, then the page shown and how often the view has finished.
  const std::vector<std::tuple<const char*, int, int>> walk{
      {nullptr, 0, 0},         {"primaryButton", 1, 0}, {"primaryButton", 2, 0},
      {"backButton", 1, 0},    {"backButton", 0, 0},    {"primaryButton", 1, 0},
      {"primaryButton", 2, 0}, {"primaryButton", 2, 1}};
  for (const auto& [pressed, step, finished] : walk) {
    SCOPED_TRACE(::testing::Message() << (pressed ? pressed : "start") << " → " << step);
    if (pressed) child<QPushButton>(view.get(), pressed)->click();
    EXPECT_EQ(view->step(), step);
    EXPECT_EQ(child<QLabel>(view.get(), "counterLabel")->text(), QString("%1 из 3").arg(step + 1));
    EXPECT_EQ(child(view.get(), "backButton")->isVisible(), step > 0);
    EXPECT_EQ(child<QPushButton>(view.get(), "primaryButton")->text(),
              step == 2 ? "Начать" : "Далее");
    EXPECT_EQ(child<QLabel>(view.get(), "titleLabel")->text(), titles[step]);
    EXPECT_EQ(finishCount, finished);
  }
  EXPECT_TRUE(defaults.writes.empty()) << "the view must not write settings";

  // The last page names the stored shortcut and follows it live.
  auto* body = child<QLabel>(view.get(), "bodyLabel");
  EXPECT_TRUE(body->text().startsWith("Нажмите Ctrl+Alt+Super+M, чтобы открыть список"))
      << body->text().toStdString();
  settings->globalShortcut.set(
      {GlobalShortcut::kKeyD, GlobalShortcut::kShift | GlobalShortcut::kCommand});
  EXPECT_TRUE(body->text().startsWith("Нажмите Shift+Super+D, чтобы открыть список"))
      << body->text().toStdString();
}

TEST_F(OnboardingViewTest, SymbolAndPrimaryButtonFollowTheAccentColour) {
  auto view = makeView();
  auto* symbol = child(view.get(), "symbolView");
  auto* primary = child(view.get(), "primaryButton");
  for (ThreadColorPreset preset : {ThreadColorPreset::teal, ThreadColorPreset::orange}) {
    SCOPED_TRACE(std::string(rawValue(preset)));
    settings->threadColor.set(preset);
    const QColor accent = toQColor(color(preset));
    // Inside the button's fill, clear of the rounded corner and the text.
    const QColor fill = primary->grab().toImage().pixelColor(4, primary->height() / 2);
    for (const QColor& painted : {testing::strongestPixel(testing::rendered(symbol)), fill}) {
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
      const auto* body = child<QLabel>(view.get(), "bodyLabel");
      EXPECT_GE(body->height(), body->heightForWidth(body->width()));
      EXPECT_TRUE(child(view.get(), "page")->rect().contains(body->geometry()));
      auto* primary = child<QPushButton>(view.get(), "primaryButton");
      EXPECT_TRUE(
          view->rect().contains(QRect(primary->mapTo(view.get(), QPoint()), primary->size())));
      primary->click();
    }
  }
  QApplication::setFont(original);
}

}  // namespace
}  // namespace brindlecap
