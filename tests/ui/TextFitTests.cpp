// Durations and fixed texts are never cut, in the fonts Debian ships (DejaVu Sans, and Noto Sans
// where installed) at Qt's default size and at Xfce's; a user's long title is cut on purpose and
// shown whole in its tool tip.

#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QTextLayout>
#include <QTextOption>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "menubar/DragDurationModel.h"
#include "menubar/DragOverlayPanel.h"
#include "platform/linux/LocaleDateFormatter.h"
#include "settings/AppSettingsStore.h"
#include "settings/AppSettingsTypes.h"
#include "support/FakeLoginItems.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/InMemoryFileSystem.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"
#include "timers/TimeFormatting.h"
#include "timers/TimerStore.h"
#include "ui/NewTimerView.h"
#include "ui/OverlayWindows.h"
#include "ui/QtCompletionBannerPanel.h"
#include "ui/QtPopover.h"
#include "ui/TimerListView.h"
#include "ui/TimerRowView.h"

namespace brindlecap {
namespace {

using testing::child;
using testing::settle;

constexpr int kLongestMinutes = 7 * 1440;  // the drag and the composer both stop at 7 days

// Runs `check` with the application font set to DejaVu Sans (the build installs it) and to Noto
// Sans where present, each at 9 points (Qt's default) and 10 (Xfce's).
template <typename Check>
void inEachFont(Check check) {
  const QFont saved = QApplication::font();
  for (const QString& family : {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")}) {
    if (!QFontDatabase::hasFamily(family)) continue;
    for (qreal points : {9.0, 10.0}) {
      SCOPED_TRACE(::testing::Message() << family.toStdString() << " " << points);
      QFont font(family);
      font.setPointSizeF(points);
      QApplication::setFont(font);
      check();
    }
  }
  QApplication::setFont(saved);
}

// Which of text(1) … text(count) is widest in `font`.
template <typename Text>
int widest(int count, const QFont& font, Text text) {
  int found = 1;
  qreal width = -1;
  for (int i = 1; i <= count; ++i) {
    const qreal w = QFontMetricsF(font).horizontalAdvance(QString::fromStdString(text(i)));
    if (w > width) std::tie(width, found) = std::pair(w, i);
  }
  return found;
}

// The lines `label` wraps its text into at its width, each checked to fit it.
QStringList wrappedLines(const QLabel& label) {
  QTextLayout layout(label.text(), label.font());
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(label.contentsRect().width());
    EXPECT_LE(line.naturalTextWidth(), label.contentsRect().width()) << label.text().toStdString();
    lines << label.text().mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines;
}

class TextFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("ru_RU"), status);
    dates = std::make_unique<LocaleDateFormatter>();
  }

  testing::VirtualTime time{86400.0 * 9000 + 23 * 3600 + 59 * 60};  // 23:59, so dates read 23:59
  std::unique_ptr<LocaleDateFormatter> dates;
};

TEST_F(TextFitTest, ListRowShowsEveryRemainingTimeWholeAndALongTitleInItsToolTip) {
  testing::InMemoryFileSystem files;
  testing::InMemoryDefaultsStore defaults;
  testing::FakeLoginItems loginItems;
  auto store = std::make_shared<TimerStore>(time, time, files);
  auto settings = std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  // Enough timers for the list to scroll, so its rows are as narrow as they get.
  for (int i = 1; i <= 9; ++i) store->add("Чай", time.now() + i * 3600.0);
  inEachFont([&] {
    TimerListView list(
        store, settings, *dates, [] {}, [] {});
    list.show();
    settle();
    TimerRowView* row = list.rows().front();
    auto* remaining = child<FittedLabel>(row, "remainingLabel");
    auto phrase = [](int minutes) { return TimeFormatting::remainingPhrase(minutes * 60.0, 0); };
    const QString longest =
        QString::fromStdString(phrase(widest(kLongestMinutes, remaining->displayedFont(), phrase)));
    TimerItem item = store->items.value().front();
    item.fireDate = time.now() + 86400.0 * 6;  // fires at 23:59
    item.title = std::string(200, 'W');
    row->setContent(item, time.now());
    remaining->setText(longest);
    row->layout()->activate();
    EXPECT_EQ(remaining->displayedText(), longest);
    EXPECT_TRUE(remaining->toolTip().isEmpty());
    auto* fireTime = child<FittedLabel>(row, "fireTimeLabel");
    EXPECT_EQ(fireTime->displayedText(), fireTime->text());

    auto* title = child<FittedLabel>(row, "timerTitleLabel");
    EXPECT_TRUE(title->displayedText().endsWith(QChar(0x2026)));
    EXPECT_EQ(title->toolTip(), title->text());
    item.title = "Чай";
    row->setContent(item, time.now());
    EXPECT_TRUE(title->toolTip().isEmpty());
  });
}

TEST_F(TextFitTest, NamingPanelWrapsOnlyBesideTheDotAndItsPopoverMakesRoom) {
  inEachFont([&] {
    // Any duration the gesture can produce, as long as it can be; the date as wide as it gets in
    // the coming year.
    const QFont font = QApplication::font();
    auto duration = [](int minutes) { return TimeFormatting::duration(minutes * 60.0); };
    const int minutes = widest(kLongestMinutes, font, duration);
    auto day = [&](int days) { return time.now() + days * 86400.0; };
    const int days = widest(366, font, [&](int d) {
      return TimeFormatting::relativeFireDate(day(d), time.now(), *dates);
    });
    const std::string longest = duration(minutes);
    QtPopover popover;
    auto* panel = new NewTimerView(
        minutes * 60.0, day(days), time, *dates, Color{0.2, 0.4, 0.9}, [](const std::string&) {},
        [] {});
    popover.setContent(panel, Size{300, 142});
    popover.window()->show();
    settle();

    auto* subtitle = child<QLabel>(panel, "subtitleLabel");
    const QStringList lines = wrappedLines(*subtitle);
    ASSERT_LE(lines.size(), 2);
    const QString first = QString(lines.front()).replace(QChar::Nbsp, ' ');
    EXPECT_TRUE(first.startsWith(QString::fromStdString("Через " + longest)))
        << first.toStdString();
    if (lines.size() == 2) {
      EXPECT_TRUE(first.endsWith(QStringLiteral("·"))) << first.toStdString();
    }
    EXPECT_GE(subtitle->contentsRect().height(), lines.size() * subtitle->fontMetrics().height())
        << lines.join(" / ").toStdString();
    QWidget* create = child(panel, "createButton");
    EXPECT_LE(create->mapTo(popover.window(), QPoint(0, create->height())).y(),
              popover.window()->height());
  });
}

TEST_F(TextFitTest, BannerShowsItsFixedTextsWholeAndALongTitleInItsToolTip) {
  inEachFont([&] {
    QtCompletionBannerPanel banner(true);
    QWidget* view = banner.widget();
    auto* titleLabel = child<QLabel>(view, "titleLabel");
    auto* body = child<QLabel>(view, "bodyLabel");
    banner.setTitle("Таймер завершён");
    EXPECT_EQ(titleLabel->text(), "Таймер завершён");
    EXPECT_TRUE(titleLabel->toolTip().isEmpty());
    EXPECT_LE(body->fontMetrics().horizontalAdvance(body->text()), body->width());
    // A firing announced late, at the widest minute of the day before.
    auto late = [&](int minute) {
      return TimeFormatting::timeUpAt(time.now() + 60 - 60.0 * minute, time.now() + 60, *dates);
    };
    const std::string widestLate = late(widest(1440, body->font(), late));
    banner.setBody(widestLate);
    EXPECT_EQ(body->text().toStdString(), widestLate);
    EXPECT_LE(body->fontMetrics().horizontalAdvance(body->text()), body->width());
    EXPECT_TRUE(child<QAbstractButton>(view, "closeButton")->toolTip().isEmpty());
    for (QuickSnoozeInterval interval : allCases<QuickSnoozeInterval>) {
      banner.setQuickSnoozeTitle(std::string(snoozeActionTitle(interval)));
      EXPECT_TRUE(child<QAbstractButton>(view, "quickSnoozeButton")->toolTip().isEmpty())
          << snoozeActionTitle(interval);
    }

    const std::string longTitle(120, 'W');
    banner.setTitle(longTitle);
    EXPECT_TRUE(titleLabel->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(titleLabel->toolTip().toStdString(), longTitle);
  });
}

TEST_F(TextFitTest, DragBubbleGrowsToEachCorridorsLongestPhraseWithItsTwoLinesStacked) {
  inEachFont([&] {
    QtBubbleWindow bubble(DragOverlayPanel::kBubbleSize, true);
    QWidget* view = bubble.widget();
    auto* duration = child<QLabel>(view, "durationLabel");
    auto* fires = child<QLabel>(view, "timeLabel");
    auto when = [&](int days) {
      return TimeFormatting::relativeFireDate(time.now() + days * 86400.0, time.now(), *dates);
    };
    const std::string latest = when(widest(7, fires->font(), when));
    for (auto corridor : {DragDurationCorridor::precise, DragDurationCorridor::extended,
                          DragDurationCorridor::days}) {
      const int step = stepMinutes(corridor);
      auto phrase = [&](int i) { return "Через " + TimeFormatting::duration(i * step * 60.0); };
      const std::string longest =
          phrase(widest(largestMinutes(corridor) / step, duration->font(), phrase));
      bubble.setTexts(longest, DragOverlayPanel::caption(corridor) + std::string(" · ") + latest);
      view->show();
      settle();
      EXPECT_EQ(duration->text().toStdString(), longest);
      for (QLabel* label : {duration, fires}) {
        EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(label->text()),
                  label->contentsRect().width())
            << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), view->width() - 14);
      }
      EXPECT_EQ(bubble.size(), (Size{double(view->width()), 58}));
      EXPECT_EQ(fires->geometry().top() - duration->geometry().bottom() - 1, 2) << "2 apart";
    }
    bubble.setTexts("Через 1 минуту", "Точно · сегодня в 12:00");
    EXPECT_EQ(bubble.size(), DragOverlayPanel::kBubbleSize) << "never narrower than laid out";
    view->hide();
  });
}

}  // namespace
}  // namespace brindlecap
