#include "ui/ManualTimerView.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeDateFormatter.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

// Noon UTC: anything up to twelve hours later falls on the same (UTC) day.
constexpr TimePoint kNow = 9259 * 86400.0 + 12 * 3600.0;

using Created = std::vector<std::pair<std::string, double>>;

std::string today(TimePoint t) {
  return "Сработает сегодня в time(" + std::to_string(static_cast<long long>(t)) + ")";
}

std::string otherDay(TimePoint t) {
  return "Сработает date(" + std::to_string(static_cast<long long>(t)) + ")";
}

void press(QWidget* target, int key, const QString& text = {}) {
  QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &event);
}

class ManualTimerViewTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ensureQtApplication(); }

  // The panel inside `host`, laid out the way the floating panel hosts it.
  void makeView(QWidget& host) {
    view = new ManualTimerView(
        clock, dates, Color{0.9, 0.3, 0.1},
        [this](const std::string& title, double seconds) { created.emplace_back(title, seconds); },
        [this] { ++cancelled; }, &host);
    (new QVBoxLayout(&host))->addWidget(view);
  }

  template <typename T = QPushButton>
  T* child(const char* name) const {
    T* widget = view->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  QSpinBox* spin() const { return child<QSpinBox>("durationSpin"); }
  std::string subtitle() const { return child<QLabel>("subtitleLabel")->text().toStdString(); }

  testing::VirtualTime clock{kNow};
  testing::FakeDateFormatter dates;
  ManualTimerView* view = nullptr;
  Created created;
  int cancelled = 0;
};

TEST_F(ManualTimerViewTest, OpensAtFifteenMinutesWithAnEmptyNameAndTakesFocusInTheField) {
  QWidget host;
  auto* other = new QLineEdit(&host);
  makeView(host);
  host.layout()->addWidget(other);
  EXPECT_EQ(subtitle(), today(kNow + 900));
  EXPECT_EQ(spin()->value(), 15);
  EXPECT_TRUE(child("unitMinutes")->isChecked());
  EXPECT_TRUE(child<QLineEdit>("nameField")->text().isEmpty());

  host.show();
  // The host's own choice of focus comes first; the panel's deferred focus still wins.
  other->setFocus(Qt::OtherFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(host.focusWidget(), child<QLineEdit>("nameField"));
}

TEST_F(ManualTimerViewTest, UnitChangeLowersTheValueButNeverRaisesItAndCreatesInSeconds) {
  QWidget host;
  makeView(host);
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
  child("unitHours")->click();
  child("createButton")->click();
  child("unitDays")->click();
  EXPECT_EQ(spin()->value(), 2);
  spin()->setValue(8);
  EXPECT_EQ(spin()->value(), 7);
  child("createButton")->click();
  EXPECT_EQ(created, (Created{{"", 900.0}, {"", 7200.0}, {"", 604800.0}}));
}

TEST_F(ManualTimerViewTest, ReturnCreatesOnceWithTheExactTitleFromAnyFocus) {
  QWidget host;
  makeView(host);
  host.show();
  // Before the deferred focus lands the host window gets the key itself.
  press(&host, Qt::Key_Return);
  QCoreApplication::processEvents();
  for (const QString& text : {QStringLiteral(" "), QStringLiteral("Ч"), QStringLiteral(" ")}) {
    press(host.focusWidget(), Qt::Key_unknown, text);
  }
  press(host.focusWidget(), Qt::Key_Return);
  // A number typed into the stepper counts even though Return is what commits it.
  spin()->setFocus(Qt::TabFocusReason);
  spin()->selectAll();
  press(host.focusWidget(), Qt::Key_4, QStringLiteral("4"));
  press(host.focusWidget(), Qt::Key_Return);
  for (const char* name : {"unitHours", "cancelButton", "createButton"}) {
    child(name)->setFocus(Qt::TabFocusReason);
    press(host.focusWidget(), Qt::Key_Enter);
  }
  EXPECT_EQ(created, (Created{{"", 900.0},
                              {" Ч ", 900.0},
                              {" Ч ", 240.0},
                              {" Ч ", 240.0},
                              {" Ч ", 240.0},
                              {" Ч ", 240.0}}));
  EXPECT_EQ(cancelled, 0);
}

TEST_F(ManualTimerViewTest, EscapeCancelsFromAnyFocusAndNeverCreates) {
  QWidget popup(nullptr, Qt::Popup);
  makeView(popup);
  popup.show();
  press(&popup, Qt::Key_Escape);
  EXPECT_EQ(QApplication::activePopupWidget(), &popup) << "the popup must not close itself";
  QCoreApplication::processEvents();
  for (const char* name : {"nameField", "durationSpin", "unitDays", "createButton"}) {
    child<QWidget>(name)->setFocus(Qt::TabFocusReason);
    press(popup.focusWidget(), Qt::Key_Escape);
  }
  EXPECT_EQ(cancelled, 5);
  EXPECT_TRUE(created.empty());
  popup.close();
}

TEST_F(ManualTimerViewTest, FireTimeFollowsValueUnitNameAndTheClockOnShow) {
  QWidget host;
  makeView(host);
  spin()->stepUp();
  EXPECT_EQ(subtitle(), today(kNow + 16 * 60));
  child("unitHours")->click();
  EXPECT_EQ(subtitle(), otherDay(kNow + 16 * 3600));
  spin()->setValue(2);
  EXPECT_EQ(subtitle(), today(kNow + 2 * 3600));
  child("unitDays")->click();
  EXPECT_EQ(subtitle(), otherDay(kNow + 2 * 86400));

  clock.setWallClock(kNow - 86400);
  EXPECT_EQ(subtitle(), otherDay(kNow + 2 * 86400)) << "not refreshed on its own";
  host.show();
  EXPECT_EQ(subtitle(), otherDay(kNow + 86400));
  clock.setWallClock(kNow);
  child<QLineEdit>("nameField")->setText(QStringLiteral("x"));
  EXPECT_EQ(subtitle(), otherDay(kNow + 2 * 86400));
}

}  // namespace
}  // namespace brindlecap
