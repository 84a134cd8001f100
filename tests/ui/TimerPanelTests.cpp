#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "support/FakeDateFormatter.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"
#include "ui/ManualTimerView.h"
#include "ui/NewTimerView.h"

namespace brindlecap {
namespace {

// Noon UTC: anything up to twelve hours later falls on the same (UTC) day.
constexpr TimePoint kNow = 9259 * 86400.0 + 12 * 3600.0;
const std::string kToday = "Через 25 минут · сегодня в time(800022300)";
const std::string kOtherDay = "Через 25 минут · date(800022300)";
using Titles = std::vector<std::string>;

std::string today(TimePoint t) {
  return "Сработает сегодня в time(" + std::to_string(static_cast<long long>(t)) + ")";
}

std::string otherDay(TimePoint t) {
  return "Сработает date(" + std::to_string(static_cast<long long>(t)) + ")";
}

void press(QWidget* target, int key, const QString& text = {},
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(target, &event);
}

// The naming panel and the composer share their form; what the form does is checked on the
// naming panel, the composer's own fields where they could keep the keys for themselves.
class TimerPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ensureQtApplication(); }

  // The naming panel of a 25-minute drag inside `host`, laid out the way the popover hosts it.
  void makeNamingPanel(QWidget& host) {
    place(host, new NewTimerView(
                    1500, kNow + 1500, clock, dates, Color{0.9, 0.3, 0.1},
                    [this](const std::string& title) { titles.push_back(title); },
                    [this] { ++cancelled; }, &host));
  }
  // The composer inside `host`, laid out the way the floating panel hosts it.
  void makeComposer(QWidget& host) {
    place(host, new ManualTimerView(
                    clock, dates, Color{0.9, 0.3, 0.1},
                    [this](const std::string& title, double duration) {
                      titles.push_back(title);
                      seconds.push_back(duration);
                    },
                    [this] { ++cancelled; }, &host));
  }
  template <typename T = QPushButton>
  T* child(const char* name) const {
    return testing::child<T>(panel, name);
  }
  // Read as it looks: the non-breaking spaces that keep the duration and the date whole are spaces.
  std::string subtitle() const {
    return child<QLabel>("subtitleLabel")->text().replace(QChar::Nbsp, ' ').toStdString();
  }
  QSpinBox* spin() const { return child<QSpinBox>("durationSpin"); }

  testing::VirtualTime clock{kNow};
  testing::FakeDateFormatter dates;
  QWidget* panel = nullptr;
  Titles titles;
  std::vector<double> seconds;
  int cancelled = 0;

 private:
  void place(QWidget& host, QWidget* made) {
    panel = made;
    (new QVBoxLayout(&host))->addWidget(made);
  }
};

TEST_F(TimerPanelTest, FieldTakesFocusOverTheHostsChoiceAndKeysDecideFromAnyFocus) {
  QWidget host;
  auto* other = new QLineEdit(&host);
  makeNamingPanel(host);
  host.layout()->addWidget(other);
  EXPECT_TRUE(child("createButton")->isDefault());
  host.show();
  other->setFocus(Qt::OtherFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(host.focusWidget(), child<QLineEdit>("nameField"));

  // Return creates with the field's exact text, Escape cancels, wherever the focus is.
  press(host.focusWidget(), Qt::Key_Return);
  press(host.focusWidget(), Qt::Key_Space, QStringLiteral(" "));
  press(host.focusWidget(), Qt::Key_Return);
  child<QLineEdit>("nameField")->setText(QStringLiteral(" Чай "));
  press(host.focusWidget(), Qt::Key_Enter, {}, Qt::KeypadModifier);
  press(host.focusWidget(), Qt::Key_Escape);
  for (const char* name : {"cancelButton", "createButton"}) {
    child(name)->setFocus(Qt::TabFocusReason);
    press(host.focusWidget(), Qt::Key_Return);
    press(host.focusWidget(), Qt::Key_Escape);
  }
  EXPECT_EQ(titles, (Titles{"", " ", " Чай ", " Чай ", " Чай "}));
  EXPECT_EQ(cancelled, 3);

  child("createButton")->click();
  child("cancelButton")->click();
  EXPECT_EQ(titles.size(), 6u);
  EXPECT_EQ(cancelled, 4);
}

TEST_F(TimerPanelTest, KeysInsideAPopupReachThePanelBeforeThePopupClosesItself) {
  for (const bool escape : {true, false}) {
    for (const bool settled : {false, true}) {
      SCOPED_TRACE(std::string(escape ? "Escape" : "Return") + (settled ? ", focus settled" : ""));
      titles.clear();
      cancelled = 0;
      QWidget popup(nullptr, Qt::Popup);
      makeNamingPanel(popup);
      popup.show();
      // Until the deferred focus lands, the popup window itself receives the keys.
      QWidget* target = &popup;
      if (settled) {
        QCoreApplication::processEvents();
        target = popup.focusWidget();
        ASSERT_EQ(target, child<QLineEdit>("nameField"));
      }
      press(target, escape ? Qt::Key_Escape : Qt::Key_Return);
      EXPECT_EQ(cancelled, escape ? 1 : 0);
      EXPECT_EQ(titles.size(), escape ? 0u : 1u);
      // The decision belongs to the callbacks; Qt's own popup handling must not close it first.
      EXPECT_EQ(QApplication::activePopupWidget(), &popup);
      popup.close();
    }
  }
}

TEST_F(TimerPanelTest, NamingPanelRecomputesTheFireTimeOnShowAndKeystrokesAndTakesTheAccent) {
  QWidget host;
  makeNamingPanel(host);
  clock.setWallClock(kNow - 86400);
  EXPECT_EQ(subtitle(), kToday) << "not refreshed on its own";
  host.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(subtitle(), kOtherDay);
  clock.setWallClock(kNow);
  press(host.focusWidget(), Qt::Key_X, QStringLiteral("x"));
  EXPECT_EQ(subtitle(), kToday);

  // Left of the label, inside the padding, at mid-height: clear of the text and the corners.
  const QImage create = child("createButton")->grab().toImage();
  const QColor fill = create.pixelColor(6, create.height() / 2);
  EXPECT_NEAR(fill.red(), 230, 2);
  EXPECT_NEAR(fill.green(), 77, 2);
  EXPECT_NEAR(fill.blue(), 26, 2);
}

TEST_F(TimerPanelTest, ComposerStartsAtFifteenMinutesAndAUnitChangeLowersTheValueNeverRaisesIt) {
  QWidget host;
  makeComposer(host);
  EXPECT_EQ(spin()->value(), 15);
  EXPECT_TRUE(child("unitMinutes")->isChecked());
  EXPECT_TRUE(child<QLineEdit>("nameField")->text().isEmpty());
  child("createButton")->click();
  spin()->setValue(1440);
  std::vector<int> values;
  for (const char* unit : {"unitHours", "unitDays", "unitMinutes"}) {
    child(unit)->click();
    values.push_back(spin()->value());
  }
  EXPECT_EQ(values, (std::vector<int>{24, 7, 7}));
  EXPECT_EQ(spin()->maximum(), 1440);

  spin()->setValue(2);
  child("unitDays")->click();
  EXPECT_EQ(spin()->value(), 2);
  spin()->setValue(8);
  EXPECT_EQ(spin()->value(), 7);
  child("createButton")->click();
  EXPECT_EQ(seconds, (std::vector<double>{900, 604800}));
}

TEST_F(TimerPanelTest, ComposerFieldsLeaveReturnAndEscapeToTheFormAndCreateOnce) {
  QWidget host;
  makeComposer(host);
  host.show();
  QCoreApplication::processEvents();
  for (const QString& text : {QStringLiteral(" "), QStringLiteral("Ч"), QStringLiteral(" ")})
    press(host.focusWidget(), Qt::Key_unknown, text);
  press(host.focusWidget(), Qt::Key_Return);
  // A number typed into the stepper counts even though Return is what commits it.
  spin()->setFocus(Qt::TabFocusReason);
  spin()->selectAll();
  press(host.focusWidget(), Qt::Key_4, QStringLiteral("4"));
  press(host.focusWidget(), Qt::Key_Return);
  for (const char* name : {"unitHours", "cancelButton"}) {
    child(name)->setFocus(Qt::TabFocusReason);
    press(host.focusWidget(), Qt::Key_Enter);
  }
  EXPECT_EQ(titles, (Titles{" Ч ", " Ч ", " Ч ", " Ч "}));
  EXPECT_EQ(seconds, (std::vector<double>{900, 240, 240, 240}));
  EXPECT_EQ(cancelled, 0);

  for (const char* name : {"nameField", "durationSpin", "unitDays"}) {
    child<QWidget>(name)->setFocus(Qt::TabFocusReason);
    press(host.focusWidget(), Qt::Key_Escape);
  }
  EXPECT_EQ(cancelled, 3);
  EXPECT_EQ(titles.size(), 4u);
}

TEST_F(TimerPanelTest, ComposerFireTimeFollowsValueAndUnit) {
  QWidget host;
  makeComposer(host);
  EXPECT_EQ(subtitle(), today(kNow + 900));
  spin()->stepUp();
  EXPECT_EQ(subtitle(), today(kNow + 16 * 60));
  child("unitHours")->click();
  EXPECT_EQ(subtitle(), otherDay(kNow + 16 * 3600));
  spin()->setValue(2);
  EXPECT_EQ(subtitle(), today(kNow + 2 * 3600));
  child("unitDays")->click();
  EXPECT_EQ(subtitle(), otherDay(kNow + 2 * 86400));
}

}  // namespace
}  // namespace brindlecap
