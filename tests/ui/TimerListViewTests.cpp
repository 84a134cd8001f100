#include "ui/TimerListView.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/AppSettingsStore.h"
#include "support/FakeAppPlatform.h"
#include "support/QtTestApplication.h"
#include "timers/TimerStore.h"
#include "ui/TimerRowView.h"

namespace brindlecap {
namespace {

using testing::child;
using testing::settle;

QString rowText(const TimerRowView* row, const char* name) {
  return child<FittedLabel>(row, name)->text();
}

QAbstractButton* button(const QObject* parent, const char* name) {
  return child<QAbstractButton>(parent, name);
}

void setHovered(QWidget* widget, bool hovered) {
  QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(widget, hovered ? static_cast<QEvent*>(&enter) : &leave);
}

// The most opaque pixel the widget paints over nothing is in `expected`.
void expectPaintedIn(QWidget* widget, Color expected) {
  const QColor strongest = testing::strongestPixel(testing::rendered(widget));
  EXPECT_GT(strongest.alpha(), 100);
  EXPECT_NEAR(strongest.redF(), expected.red, 0.02);
  EXPECT_NEAR(strongest.greenF(), expected.green, 0.02);
  EXPECT_NEAR(strongest.blueF(), expected.blue, 0.02);
}

class TimerListViewTest : public ::testing::Test, public testing::FakeAppPlatform {
 protected:
  TimerListViewTest() { testing::ensureQtApplication(); }

  // Shown: hidden, the list does no work.
  TimerListView& view() {
    if (!view_) {
      view_ = std::make_unique<TimerListView>(
          store, settings, dates, [] {}, [] {});
      view_->show();
    }
    return *view_;
  }
  TimerRowView* row(std::size_t index) { return view().rows().at(index); }
  TimePoint fireDateOf(const Uuid& id) {
    for (const auto& item : store->items.value())
      if (item.id == id) return item.fireDate;
    ADD_FAILURE() << "no timer " << id.toString();
    return 0;
  }
  bool showsEmptyState() {
    const bool empty = child<QWidget>(&view(), "emptyState")->isVisibleTo(&view());
    EXPECT_NE(empty, child<QWidget>(&view(), "timerScrollArea")->isVisibleTo(&view()));
    return empty;
  }

  const TimePoint t0 = time.now();
  std::shared_ptr<TimerStore> store = std::make_shared<TimerStore>(time, time, files);
  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  std::unique_ptr<TimerListView> view_;
};

TEST_F(TimerListViewTest, HeaderCountsActiveTimersTheAccentTintsAndTheEmptyStateGivesWay) {
  store->add("Прошёл", t0 + 30);
  time.advance(31);
  EXPECT_EQ(child<QLabel>(&view(), "countLabel")->text(), QStringLiteral("АКТИВНЫЕ · 0"));
  EXPECT_TRUE(showsEmptyState());
  for (const auto preset : {ThreadColorPreset::teal, ThreadColorPreset::orange}) {
    settings->threadColor.set(preset);
    expectPaintedIn(button(&view(), "createTimerButton"), color(preset));
    expectPaintedIn(child<QWidget>(&view(), "emptyStateGlyph"), color(preset));
  }

  store->add("Чай", t0 + 600);
  store->add("Обед", t0 + 1200);
  EXPECT_EQ(child<QLabel>(&view(), "countLabel")->text(), QStringLiteral("АКТИВНЫЕ · 2"));
  EXPECT_FALSE(showsEmptyState());
}

TEST_F(TimerListViewTest, RowsFollowFireOrderWithDividersBetweenRowsOnly) {
  store->add("Чай", t0 + 600);
  view().show();
  EXPECT_TRUE(view().findChildren<QWidget*>(QStringLiteral("rowDivider")).isEmpty());

  store->add("Обед", t0 + 3600);
  store->add("Звонок", t0 + 61);
  settle();
  ASSERT_EQ(view().rows().size(), 3u);
  const QString titles[] = {"Звонок", "Чай", "Обед"};
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(rowText(row(i), "timerTitleLabel"), titles[i]);
  EXPECT_EQ(rowText(row(0), "remainingLabel"), QStringLiteral("Через 2 минуты"));
  EXPECT_EQ(rowText(row(0), "fireTimeLabel").toStdString(), dates.shortTime(t0 + 61));

  auto dividers = view().findChildren<QWidget*>(QStringLiteral("rowDivider"));
  ASSERT_EQ(dividers.size(), 2);
  std::sort(dividers.begin(), dividers.end(),
            [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
  for (int i = 0; i < 2; ++i) {
    EXPECT_GE(dividers[i]->y(), row(i)->geometry().bottom());
    EXPECT_LE(dividers[i]->geometry().bottom(), row(i + 1)->y());
  }

  // Hidden, the list asks for no ticks and does no work; shown again, it is up to date.
  int ticks = 0;
  auto counter = store->now.subscribe([&](TimePoint) { ++ticks; },
                                      Published<TimePoint>::Delivery::changesOnly);
  view().hide();
  store->add("Ужин", t0 + 7200);
  time.advance(30);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(view().rows().size(), 3u);
  view().show();
  settle();
  ASSERT_EQ(view().rows().size(), 4u);
  EXPECT_EQ(rowText(row(0), "remainingLabel"), QStringLiteral("Через 1 минуту"));
  ticks = 0;
  time.advance(3);
  EXPECT_EQ(ticks, 3) << "shown, it counts seconds";

  // Rows are built a batch at a time, the next batch once the list is scrolled to its end.
  for (std::size_t i = 0; i < TimerListView::kRowBatch; ++i) store->add("Ещё", t0 + 9000 + i);
  settle();
  EXPECT_EQ(view().rows().size(), TimerListView::kRowBatch);
  auto* scrollBar = child<QScrollArea>(&view(), "timerScrollArea")->verticalScrollBar();
  scrollBar->setValue(scrollBar->maximum());
  settle();
  EXPECT_EQ(view().rows().size(), TimerListView::kRowBatch + 4);
  EXPECT_EQ(rowText(row(TimerListView::kRowBatch + 3), "timerTitleLabel"), QStringLiteral("Ещё"));
}

TEST_F(TimerListViewTest, ActionsAreInvisibleAndInertUntilTheRowIsHovered) {
  const TimerItem tea = store->add("Чай", t0 + 600);
  TimerRowView* teaRow = row(0);
  view().hide();  // off screen the actions switch without their fade
  auto* extend = button(teaRow, "extendButton");
  auto* remove = button(teaRow, "deleteButton");
  auto* actions = child<QWidget>(teaRow, "actions");
  auto* opacity = qobject_cast<QGraphicsOpacityEffect*>(actions->graphicsEffect());
  ASSERT_NE(opacity, nullptr);

  for (const bool hovered : {false, true, false}) {
    SCOPED_TRACE(hovered ? "hovered" : "not hovered");
    setHovered(teaRow, hovered);
    EXPECT_EQ(teaRow->isHovering(), hovered);
    EXPECT_EQ(opacity->opacity(), hovered ? 1.0 : 0.0);
    EXPECT_EQ(actions->testAttribute(Qt::WA_TransparentForMouseEvents), !hovered);
    if (!hovered) {
      extend->click();
      remove->click();
      EXPECT_EQ(store->items->size(), 1u);
      EXPECT_EQ(fireDateOf(tea.id), t0 + 600);
    }
  }
}

TEST_F(TimerListViewTest, PlusFiveRestartsAFinishedTimerFromNow) {
  store->add("Чай", t0 + 600);
  const TimerItem egg = store->add("Яйцо", t0 + 30);
  time.advance(40);
  ASSERT_EQ(view().rows().size(), 1u) << "finished timers are not listed";
  TimerRowView finished(egg, store->now.value(), store, dates);
  setHovered(&finished, true);
  button(&finished, "extendButton")->click();
  EXPECT_EQ(fireDateOf(egg.id), t0 + 40 + 300);
  EXPECT_EQ(view().rows().size(), 2u);
}

TEST_F(TimerListViewTest, RowsKeepTheirWidgetAndHoverWhileTimersTickComeAndGo) {
  store->add("Чай", t0 + 600);
  store->add("Обед", t0 + 1200);
  view().show();
  settle();
  TimerRowView* tea = row(0);
  TimerRowView* lunch = row(1);
  setHovered(lunch, true);

  // A tick that changes no text asks for no new layout.
  struct Counter : QObject {
    int layoutRequests = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      layoutRequests += event->type() == QEvent::LayoutRequest;
      return false;
    }
  } counter;
  for (QWidget* watched : {static_cast<QWidget*>(tea), static_cast<QWidget*>(lunch),
                           tea->parentWidget(), static_cast<QWidget*>(&view())})
    watched->installEventFilter(&counter);
  time.advance(1);
  settle();
  EXPECT_EQ(counter.layoutRequests, 0);

  time.advance(59);
  EXPECT_EQ(rowText(tea, "remainingLabel"), QStringLiteral("Через 9 минут"));
  store->add("Звонок", t0 + 90);
  ASSERT_EQ(view().rows().size(), 3u);
  EXPECT_EQ(row(1), tea);
  EXPECT_EQ(row(2), lunch);
  time.advance(31);
  ASSERT_EQ(view().rows().size(), 2u);
  EXPECT_EQ(row(0), tea);
  EXPECT_EQ(row(1), lunch);
  EXPECT_TRUE(lunch->isHovering());
  EXPECT_FALSE(tea->isHovering());
}

TEST(FittedLabelTest, ShrinksUpToItsMinimumScaleBeforeCuttingTheTail) {
  testing::ensureQtApplication();
  QFont font = QApplication::font();
  font.setPointSizeF(15);
  const QString text = QStringLiteral("Через 2 дня 3 часа 10 минут");
  const qreal fullWidth = QFontMetricsF(font).horizontalAdvance(text);
  // Minimum scale and share of the full width given; the sizes the font may take; a cut tail.
  const std::tuple<qreal, qreal, qreal, qreal, bool> cases[] = {{0.86, 1.01, 15, 15, false},
                                                                {1.0, 1.01, 15, 15, false},
                                                                {0.86, 0.93, 12.9, 14.9, false},
                                                                {0.86, 0.6, 12.9, 12.9, true},
                                                                {1.0, 0.93, 15, 15, true}};
  for (const auto& [scale, share, smallest, largest, cut] : cases) {
    SCOPED_TRACE(::testing::Message() << "scale " << scale << ", width " << share);
    FittedLabel label(scale);
    label.setTextFont(font);
    label.setText(text);
    label.resize(qCeil(fullWidth * share), 20);
    const qreal size = label.displayedFont().pointSizeF();
    EXPECT_TRUE(size >= smallest - 1e-6 && size <= largest + 1e-6) << size;
    EXPECT_EQ(label.displayedText().endsWith(QChar(0x2026)), cut);
    EXPECT_EQ(label.displayedText() == text, !cut);
  }
}

}  // namespace
}  // namespace brindlecap
