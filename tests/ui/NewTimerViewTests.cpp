#include "ui/NewTimerView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "support/FakeDateFormatter.h"
#include "support/QtTestApplication.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

// Noon UTC, so the fire time 25 minutes later falls on the same (UTC) day.
constexpr TimePoint kNow = 9259 * 86400.0 + 12 * 3600.0;
const std::string kToday = "Через 25 минут · сегодня в time(800022300)";
const std::string kOtherDay = "Через 25 минут · date(800022300)";
using Created = std::vector<std::string>;

void press(QWidget* target, int key, const QString& text = {},
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(target, &event);
}

class NewTimerViewTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ensureQtApplication(); }

  // The panel inside `host`, laid out the way the popover hosts it.
  void makeView(QWidget& host) {
    view = new NewTimerView(
        1500, kNow + 1500, clock, dates, Color{0.9, 0.3, 0.1},
        [this](const std::string& title) { created.push_back(title); }, [this] { ++cancelled; },
        &host);
    (new QVBoxLayout(&host))->addWidget(view);
  }
  // Shows `host` and lets the panel's deferred focus settle.
  static void showAndSettle(QWidget& host) {
    host.show();
    QCoreApplication::processEvents();
  }
  template <typename T = QPushButton>
  T* child(const char* name) const {
    T* widget = view->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::string subtitle() const { return child<QLabel>("subtitleLabel")->text().toStdString(); }

  testing::VirtualTime clock{kNow};
  testing::FakeDateFormatter dates;
  NewTimerView* view = nullptr;
  Created created;
  int cancelled = 0;
};

TEST_F(NewTimerViewTest, FieldTakesFocusOverTheHostsChoiceAndKeysDecideFromAnyFocus) {
  QWidget host;
  auto* other = new QLineEdit(&host);
  makeView(host);
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
  EXPECT_EQ(created, (Created{"", " ", " Чай ", " Чай ", " Чай "}));
  EXPECT_EQ(cancelled, 3);

  child("createButton")->click();
  child("cancelButton")->click();
  EXPECT_EQ(created.size(), 6u);
  EXPECT_EQ(cancelled, 4);
}

TEST_F(NewTimerViewTest, KeysInsideAPopupReachThePanelBeforeThePopupClosesItself) {
  for (const bool escape : {true, false}) {
    for (const bool settled : {false, true}) {
      SCOPED_TRACE(std::string(escape ? "Escape" : "Return") + (settled ? ", focus settled" : ""));
      created.clear();
      cancelled = 0;
      QWidget popup(nullptr, Qt::Popup);
      makeView(popup);
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
      EXPECT_EQ(created.size(), escape ? 0u : 1u);
      // The decision belongs to the callbacks; Qt's own popup handling must not close it first.
      EXPECT_EQ(QApplication::activePopupWidget(), &popup);
      popup.close();
    }
  }
}

TEST_F(NewTimerViewTest, FireTimeIsRecomputedAgainstTheClockOnShowAndKeystrokes) {
  QWidget host;
  makeView(host);
  clock.setWallClock(kNow - 86400);
  EXPECT_EQ(subtitle(), kToday) << "not refreshed on its own";
  showAndSettle(host);
  EXPECT_EQ(subtitle(), kOtherDay);

  clock.setWallClock(kNow);
  press(host.focusWidget(), Qt::Key_X, QStringLiteral("x"));
  EXPECT_EQ(subtitle(), kToday);
  clock.setWallClock(kNow - 86400);
  press(host.focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(subtitle(), kOtherDay);
}

TEST_F(NewTimerViewTest, CreateButtonIsFilledWithTheAccentColour) {
  QWidget host;
  makeView(host);
  showAndSettle(host);
  const QImage button = child("createButton")->grab().toImage();
  ASSERT_FALSE(button.isNull());
  // Left of the label, inside the padding, at mid-height: clear of the text and the corners.
  const QColor fill = button.pixelColor(6, button.height() / 2);
  EXPECT_NEAR(fill.red(), 230, 2);
  EXPECT_NEAR(fill.green(), 77, 2);
  EXPECT_NEAR(fill.blue(), 26, 2);

  const QImage other = child("cancelButton")->grab().toImage();
  EXPECT_NE(other.pixelColor(6, other.height() / 2).rgb(), fill.rgb());
}

}  // namespace
}  // namespace brindlecap
