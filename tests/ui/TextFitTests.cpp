// Durations and fixed texts are never cut, in the fonts Debian ships (DejaVu Sans, and Noto Sans
// where installed) at Qt's default size and at Xfce's; a user's long title is cut on purpose and
// shown whole in its tool tip.

#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QSpinBox>
#include <QTextLayout>
#include <QTextOption>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/IcuDateFormatter.h"
#include "settings/AppSettingsStore.h"
#include "settings/AppSettingsTypes.h"
#include "support/FakeLoginItems.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/InMemoryFileSystem.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"
#include "timers/TimeFormatting.h"
#include "timers/TimerStore.h"
#include "ui/ManualTimerView.h"
#include "ui/NewTimerView.h"
#include "ui/QtCompletionBannerPanel.h"
#include "ui/QtPopover.h"
#include "ui/TimerListView.h"
#include "ui/TimerRowView.h"

namespace brindlecap {
namespace {

using testing::child;

constexpr double kLongestMinutes = 7 * 1440;  // the drag and the composer both stop at 7 days

struct FontCase {
  QString family;
  qreal points;
};

// DejaVu Sans always (the build installs it), Noto Sans when present; 9 points is Qt's default,
// 10 Xfce's.
std::vector<FontCase> fontCases() {
  std::vector<FontCase> cases;
  for (const QString& family : {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")}) {
    if (!QFontDatabase::hasFamily(family)) continue;
    for (qreal points : {9.0, 10.0}) cases.push_back({family, points});
  }
  return cases;
}

class ApplicationFont {
 public:
  explicit ApplicationFont(const FontCase& c) : saved_(QApplication::font()) {
    QFont font(c.family);
    font.setPointSizeF(c.points);
    QApplication::setFont(font);
  }
  ~ApplicationFont() { QApplication::setFont(saved_); }

 private:
  QFont saved_;
};

// What every timer up to the longest one can read, one text per whole minute.
std::vector<std::string> everyMinute(std::string (*text)(double minutes)) {
  std::vector<std::string> texts;
  for (double minutes = 1; minutes <= kLongestMinutes; ++minutes) texts.push_back(text(minutes));
  return texts;
}

// The widest of `texts` as `label` lays it out.
QString widest(FittedLabel& label, const std::vector<std::string>& texts) {
  QString found;
  int width = -1;
  for (const std::string& text : texts) {
    label.setText(QString::fromStdString(text));
    if (label.sizeHint().width() > width) {
      width = label.sizeHint().width();
      found = label.text();
    }
  }
  return found;
}

// The lines `label` wraps its text into at its width.
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

void settle() {
  for (int round = 0; round < 3; ++round) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
  }
}

class TextFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    if (fontCases().empty()) GTEST_SKIP() << "neither DejaVu Sans nor Noto Sans is installed";
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("ru_RU"), status);
    dates = std::make_unique<IcuDateFormatter>();
  }

  // The widest date the naming panel and the composer can name: a day of the coming year.
  TimePoint widestFireDate(const QFont& font) {
    TimePoint found = 0;
    qreal width = -1;
    for (int day = 1; day <= 366; ++day) {
      const TimePoint t = time.now() + day * 86400.0;
      const qreal w = QFontMetricsF(font).horizontalAdvance(
          QString::fromStdString(TimeFormatting::relativeFireDate(t, time.now(), *dates)));
      if (w > width) {
        width = w;
        found = t;
      }
    }
    return found;
  }

  testing::VirtualTime time{86400.0 * 9000 + 23 * 3600 + 59 * 60};  // 23:59, so dates read 23:59
  std::unique_ptr<IcuDateFormatter> dates;
};

TEST_F(TextFitTest, ListRowShowsEveryRemainingTimeWholeAndALongTitleInItsToolTip) {
  testing::InMemoryFileSystem files;
  testing::InMemoryDefaultsStore defaults;
  testing::FakeLoginItems loginItems;
  auto store = std::make_shared<TimerStore>(time, time, files);
  auto settings = std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  // Enough timers for the list to scroll, so its rows are as narrow as they get.
  for (int i = 1; i <= 9; ++i) store->add("Чай", time.now() + i * 3600.0);
  for (const FontCase& c : fontCases()) {
    SCOPED_TRACE(::testing::Message() << c.family.toStdString() << " " << c.points);
    ApplicationFont font(c);
    TimerListView list(
        store, settings, *dates, [] {}, [] {});
    list.show();
    settle();
    TimerRowView* row = list.rows().front();
    auto* remaining = child<FittedLabel>(row, "remainingLabel");
    const QString longest = widest(*remaining, everyMinute([](double minutes) {
      return TimeFormatting::remainingPhrase(minutes * 60, 0);
    }));
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
  }
}

TEST_F(TextFitTest, NamingPanelWrapsOnlyBesideTheDotAndItsPopoverMakesRoom) {
  for (const FontCase& c : fontCases()) {
    SCOPED_TRACE(::testing::Message() << c.family.toStdString() << " " << c.points);
    ApplicationFont font(c);
    QtPopover popover;
    // Any duration the gesture can produce, as long as it can be; the date as wide as it gets.
    FittedLabel measure(1);
    measure.setTextFont(QApplication::font());
    const std::string longest =
        widest(measure,
               everyMinute([](double minutes) { return TimeFormatting::duration(minutes * 60); }))
            .toStdString();
    double seconds = 60;
    while (TimeFormatting::duration(seconds) != longest) seconds += 60;
    auto* panel = new NewTimerView(
        seconds, widestFireDate(QApplication::font()), time, *dates, Color{0.2, 0.4, 0.9},
        [](const std::string&) {}, [] {});
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
  }
}

TEST_F(TextFitTest, ComposerFitsItsWindowWithTheWidestFireDate) {
  for (const FontCase& c : fontCases()) {
    SCOPED_TRACE(::testing::Message() << c.family.toStdString() << " " << c.points);
    ApplicationFont font(c);
    const TimePoint fireDate = widestFireDate(QApplication::font());
    time.setWallClock(fireDate - 6 * 86400.0);
    QWidget window;
    window.setFixedSize(300, 198);
    auto* composer = new ManualTimerView(
        time, *dates, Color{0.2, 0.4, 0.9}, [](const std::string&, double) {}, [] {}, &window);
    (new QVBoxLayout(&window))->setContentsMargins(0, 0, 0, 0);
    window.layout()->addWidget(composer);
    child<QAbstractButton>(composer, "unitDays")->click();
    child<QSpinBox>(composer, "durationSpin")->setValue(6);
    window.show();
    settle();
    auto* subtitle = child<QLabel>(composer, "subtitleLabel");
    EXPECT_EQ(wrappedLines(*subtitle).size(), 1);
    QWidget* create = child(composer, "createButton");
    EXPECT_LE(create->mapTo(&window, QPoint(0, create->height())).y(), window.height());
  }
}

TEST_F(TextFitTest, BannerShowsItsFixedTextsWholeAndALongTitleInItsToolTip) {
  for (const FontCase& c : fontCases()) {
    SCOPED_TRACE(::testing::Message() << c.family.toStdString() << " " << c.points);
    ApplicationFont font(c);
    QtCompletionBannerPanel banner(true);
    QWidget* view = banner.widget();
    auto* titleLabel = child<QLabel>(view, "titleLabel");
    auto* body = child<QLabel>(view, "bodyLabel");
    banner.setTitle("Таймер завершён");
    EXPECT_EQ(titleLabel->text(), "Таймер завершён");
    EXPECT_TRUE(titleLabel->toolTip().isEmpty());
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
  }
}

}  // namespace
}  // namespace brindlecap
