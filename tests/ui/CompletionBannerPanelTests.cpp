#include "ui/QtCompletionBannerPanel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/QtTestApplication.h"
#include "ui/QtColor.h"

namespace brindlecap {
namespace {

const std::string kLongTitle =
    "Позвонить в управляющую компанию насчёт протечки на кухне и заодно спросить про счётчики";

struct Counts {
  int dismiss = 0;
  int quickSnooze = 0;
  int options = 0;
  friend bool operator==(const Counts&, const Counts&) = default;
};

// A press and release where a real click at `pos` in the window would land.
void click(QWidget* window, QPoint pos) {
  QWidget* target = window->childAt(pos);
  if (target == nullptr) target = window;
  testing::leftClick(target, target->mapFrom(window, QPointF(pos)));
}

class CompletionBannerPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    panel = std::make_unique<QtCompletionBannerPanel>(false);
    panel->onDismiss = [this] { ++counts.dismiss; };
    panel->onQuickSnooze = [this] { ++counts.quickSnooze; };
    panel->onShowSnoozeOptions = [this] { ++counts.options; };
    panel->setTitle("Чай");
    panel->setQuickSnoozeTitle("Отложить на 5 минут");
  }

  QMenu* openMenu(std::vector<std::optional<int>>& reports) {
    panel->popUpSnoozeMenu({{"Отложить на 5 минут", 5, false},
                            {"Отложить на 15 минут", 15, true},
                            {"Отложить на 30 минут", 30, false}},
                           [&reports](std::optional<int> tag) { reports.push_back(tag); });
    for (QMenu* menu : panel->widget()->findChildren<QMenu*>())
      if (menu->isVisible()) return menu;
    return nullptr;
  }

  std::unique_ptr<QtCompletionBannerPanel> panel;
  Counts counts;
};

TEST_F(CompletionBannerPanelTest, ClicksReachTheButtonUnderThePointerOrDismiss) {
  struct Case {
    const char* where;
    QPoint pos;
    Counts enabled;
    Counts disabled;  // disabled buttons swallow the click; the background still dismisses
  };
  const Case cases[] = {
      {"close button's right edge", {99, 101}, {1, 0, 0}, {}},
      {"gap before the pill", {104, 114}, {1, 0, 0}, {1, 0, 0}},
      {"quick snooze's last column", {281, 114}, {0, 1, 0}, {}},
      {"chevron", {282, 114}, {0, 0, 1}, {}},
      {"chevron's right edge", {309, 127}, {0, 0, 1}, {}},
      {"right margin", {318, 114}, {1, 0, 0}, {1, 0, 0}},
      {"title", {120, 38}, {1, 0, 0}, {1, 0, 0}},
  };
  for (bool enabled : {true, false}) {
    panel->setButtonsEnabled(enabled);
    for (const Case& c : cases) {
      counts = {};
      click(panel->widget(), c.pos);
      EXPECT_EQ(counts, enabled ? c.enabled : c.disabled)
          << c.where << (enabled ? "" : ", disabled");
    }
  }
}

TEST_F(CompletionBannerPanelTest, TitleStaysOnOneElidedLineBesideTheIcon) {
  auto* title = panel->widget()->findChild<QLabel*>("titleLabel");
  // An empty expectation means "cut with an ellipsis".
  const std::pair<std::string, QString> cases[] = {{"Чай", "Чай"},
                                                   {"Чай\r\nс мятой\n", "Чай с мятой"},
                                                   {"\nЧай\u2028\u2029с\nмятой", "Чай с мятой"},
                                                   {kLongTitle, {}}};
  for (const auto& [text, expected] : cases) {
    panel->setTitle(text);
    if (expected.isEmpty()) {
      EXPECT_TRUE(title->text().endsWith(QChar(0x2026))) << title->text().toStdString();
    } else {
      EXPECT_EQ(title->text(), expected);
    }
    EXPECT_LE(title->fontMetrics().horizontalAdvance(title->text()), title->width()) << text;
  }
  EXPECT_FALSE(
      title->geometry().intersects(panel->widget()->findChild<QWidget*>("icon")->geometry()));
}

TEST_F(CompletionBannerPanelTest, MenuReportsAChoiceOrADismissalExactlyOnce) {
  using Reports = std::vector<std::optional<int>>;
  panel->setFrame(Rect(100, 300, 330, 136));
  panel->orderFrontRegardless();
  auto* chevron = panel->widget()->findChild<QAbstractButton*>("snoozeOptionsButton");

  // A click on an item: the menu starts hiding before the item triggers.
  Reports reports;
  // Guarded: the panel deletes a closed menu later.
  QPointer<QMenu> menu = openMenu(reports);
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->pos(), chevron->mapToGlobal(QPoint(chevron->width(), chevron->height())));
  std::vector<bool> checks;
  for (QAction* action : menu->actions()) checks.push_back(action->isChecked());
  EXPECT_EQ(checks, (std::vector<bool>{false, true, false}));
  click(menu, menu->actionGeometry(menu->actions().at(2)).center());
  testing::runEventsUntil([&] { return !reports.empty(); });
  QCoreApplication::processEvents();
  EXPECT_EQ(reports, Reports{30});
  EXPECT_TRUE(!menu || !menu->isVisible());

  // Closed without a choice; a second menu opened over the first ends the first at once.
  Reports first;
  Reports second;
  openMenu(first);
  openMenu(second)->close();
  EXPECT_EQ(first, Reports{std::nullopt});
  testing::runEventsUntil([&] { return !second.empty(); });
  QCoreApplication::processEvents();
  EXPECT_EQ(first, Reports{std::nullopt});
  EXPECT_EQ(second, Reports{std::nullopt});
  panel->orderOut();
}

TEST_F(CompletionBannerPanelTest, FramesAreYUpPointsAndFadesCompleteOnceFromTheEventLoop) {
  const QRect primary = QGuiApplication::primaryScreen()->geometry();
  for (const Rect& frame : {Rect(475, 620, 330, 136), Rect(-40, 50, 400, 150)}) {
    panel->setFrame(frame);
    EXPECT_EQ(panel->frame(), frame);
    const QRect qt = panel->widget()->geometry();
    EXPECT_EQ(qt.topLeft(),
              QPoint(primary.x() + frame.minX(), primary.y() + primary.height() - frame.maxY()));
  }
  for (double duration : {0.0, 0.03}) {
    panel->setAlpha(1);
    panel->orderFrontRegardless();
    int completions = 0;
    panel->fadeOut(duration, [&] { ++completions; });
    EXPECT_EQ(completions, 0) << "never from inside fadeOut";
    testing::runEventsUntil([&] { return completions > 0; });
    QCoreApplication::processEvents();
    EXPECT_EQ(completions, 1) << duration;
    EXPECT_DOUBLE_EQ(panel->widget()->windowOpacity(), 0.0) << duration;
  }
  panel->orderOut();
}

TEST_F(CompletionBannerPanelTest, RendersInThePaletteAndShapesItselfWithoutACompositor) {
  const QColor window(40, 40, 44);
  const QColor text(235, 235, 235);
  const Color accent{0.2, 0.5, 0.9};
  for (bool compositor : {false, true}) {
    QtCompletionBannerPanel banner(compositor);
    banner.setTitle(kLongTitle);
    banner.setQuickSnoozeTitle("Отложить на 15 минут");
    banner.setAccentColor(accent);
    QWidget* w = banner.widget();
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    w->setPalette(palette);
    const char* label = compositor ? "translucent" : "shaped";

    const QImage image = w->grab().toImage();
    ASSERT_EQ(image.size(), QSize(330, 136)) << label;
    const QColor background = image.pixelColor(300, 8);
    EXPECT_NEAR(background.red(), window.red(), 2) << label;
    EXPECT_NEAR(background.blue(), window.blue(), 2) << label;
    EXPECT_EQ(image.pixelColor(118, 103).rgb(), toQColor(accent).rgb()) << label;
    EXPECT_EQ(w->findChild<QLabel*>("titleLabel")->palette().color(QPalette::WindowText), text);
    if (compositor) {
      EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
      EXPECT_LT(background.alpha(), 255);
    } else {
      // Corners outside the shape; an opaque fill inside it.
      EXPECT_FALSE(w->mask().contains(QPoint(1, 1)));
      EXPECT_TRUE(w->mask().contains(QPoint(165, 68)));
      EXPECT_EQ(background.alpha(), 255);
    }
  }
}

}  // namespace
}  // namespace brindlecap
