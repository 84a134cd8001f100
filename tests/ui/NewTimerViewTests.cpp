#include "panels/NewTimerView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "support/FakeDateFormatter.h"
#include "support/VirtualTime.h"

namespace brindlecap {
namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "new_timer_view_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Noon UTC, so the fire time 25 minutes later falls on the same (UTC) day.
constexpr TimePoint kNow = 9259 * 86400.0 + 12 * 3600.0;
constexpr TimePoint kFire = kNow + 1500;
const std::string kToday = "Через 25 минут · сегодня в time(800022300)";
const std::string kOtherDay = "Через 25 минут · date(800022300)";
constexpr Color kAccent{0.9, 0.3, 0.1};

template <typename T>
T* child(QWidget* view, const char* name) {
  T* widget = view->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

std::string subtitle(QWidget* view) {
  return child<QLabel>(view, "subtitleLabel")->text().toStdString();
}

void press(QWidget* target, int key, const QString& text = {},
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(target, &event);
}

class NewTimerViewTest : public ::testing::Test {
 protected:
  // The panel inside `host`, laid out the way the popover hosts it.
  NewTimerView* makeView(QWidget& host) {
    auto* view = new NewTimerView(
        1500, kFire, clock, dates, kAccent,
        [this](const std::string& title) { created.push_back(title); }, [this] { ++cancelled; },
        &host);
    (new QVBoxLayout(&host))->addWidget(view);
    return view;
  }

  // Shows `host` and lets the panel's deferred focus settle.
  static void showAndSettle(QWidget& host) {
    host.show();
    QCoreApplication::processEvents();
  }

  testing::VirtualTime clock{kNow};
  testing::FakeDateFormatter dates;
  std::vector<std::string> created;
  int cancelled = 0;
};

TEST_F(NewTimerViewTest, ShowsTitleDurationFireTimePlaceholderAndButtons) {
  QWidget host;
  NewTimerView* view = makeView(host);
  EXPECT_EQ(child<QLabel>(view, "titleLabel")->text(), QStringLiteral("Новый таймер"));
  EXPECT_EQ(subtitle(view), kToday);
  auto* field = child<QLineEdit>(view, "nameField");
  EXPECT_EQ(field->placeholderText(), QStringLiteral("Название (необязательно)"));
  EXPECT_TRUE(field->text().isEmpty());
  EXPECT_EQ(child<QPushButton>(view, "cancelButton")->text(), QStringLiteral("Отмена"));
  auto* create = child<QPushButton>(view, "createButton");
  EXPECT_EQ(create->text(), QStringLiteral("Создать"));
  EXPECT_TRUE(create->isDefault());
}

TEST_F(NewTimerViewTest, FieldTakesFocusOnceShownEvenWhenTheHostOffersAnotherWidgetFirst) {
  QWidget host;
  auto* other = new QLineEdit(&host);
  NewTimerView* view = makeView(host);
  host.layout()->addWidget(other);
  host.show();
  other->setFocus(Qt::OtherFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(host.focusWidget(), child<QLineEdit>(view, "nameField"));
}

TEST_F(NewTimerViewTest, ReturnCreatesWithTheExactFieldText) {
  QWidget host;
  makeView(host);
  showAndSettle(host);
  press(host.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(created, std::vector<std::string>{""});

  created.clear();
  press(host.focusWidget(), Qt::Key_Space, QStringLiteral(" "));
  press(host.focusWidget(), Qt::Key_Space, QStringLiteral(" "));
  press(host.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(created, std::vector<std::string>{"  "});
  EXPECT_EQ(cancelled, 0);
}

TEST_F(NewTimerViewTest, ReturnAnywhereInThePanelIsTheDefaultAction) {
  QWidget host;
  NewTimerView* view = makeView(host);
  child<QLineEdit>(view, "nameField")->setText(QStringLiteral(" Чай "));
  showAndSettle(host);
  press(host.focusWidget(), Qt::Key_Enter, {}, Qt::KeypadModifier);
  for (const char* name : {"cancelButton", "createButton"}) {
    child<QPushButton>(view, name)->setFocus(Qt::TabFocusReason);
    press(host.focusWidget(), Qt::Key_Return);
  }
  EXPECT_EQ(created, (std::vector<std::string>(3, " Чай ")));
  EXPECT_EQ(cancelled, 0);
}

TEST_F(NewTimerViewTest, EscapeCancelsFromAnyFocusAndNeverCreates) {
  QWidget host;
  NewTimerView* view = makeView(host);
  child<QLineEdit>(view, "nameField")->setText(QStringLiteral("x"));
  showAndSettle(host);
  press(host.focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(cancelled, 1);
  for (const char* name : {"cancelButton", "createButton"}) {
    child<QPushButton>(view, name)->setFocus(Qt::TabFocusReason);
    press(host.focusWidget(), Qt::Key_Escape);
  }
  EXPECT_EQ(cancelled, 3);
  EXPECT_TRUE(created.empty());
}

TEST_F(NewTimerViewTest, KeysInsideAPopupReachThePanelBeforeThePopupClosesItself) {
  for (const bool escape : {true, false}) {
    for (const bool settled : {false, true}) {
      SCOPED_TRACE(std::string(escape ? "Escape" : "Return") + (settled ? ", focus settled" : ""));
      created.clear();
      cancelled = 0;
      QWidget popup(nullptr, Qt::Popup);
      NewTimerView* view = makeView(popup);
      popup.show();
      // Until the deferred focus lands, the popup window itself receives the keys.
      QWidget* target = &popup;
      if (settled) {
        QCoreApplication::processEvents();
        target = popup.focusWidget();
        ASSERT_EQ(target, child<QLineEdit>(view, "nameField"));
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

TEST_F(NewTimerViewTest, ClickingTheButtons) {
  QWidget host;
  NewTimerView* view = makeView(host);
  child<QLineEdit>(view, "nameField")->setText(QStringLiteral("x"));
  child<QPushButton>(view, "createButton")->click();
  EXPECT_EQ(created, std::vector<std::string>{"x"});
  child<QPushButton>(view, "cancelButton")->click();
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(created.size(), 1u);
}

TEST_F(NewTimerViewTest, FireTimeIsRecomputedAgainstTheClockOnShowAndKeystrokes) {
  QWidget host;
  NewTimerView* view = makeView(host);
  clock.setWallClock(kNow - 86400);
  EXPECT_EQ(subtitle(view), kToday) << "not refreshed on its own";
  showAndSettle(host);
  EXPECT_EQ(subtitle(view), kOtherDay);

  clock.setWallClock(kNow);
  press(host.focusWidget(), Qt::Key_X, QStringLiteral("x"));
  EXPECT_EQ(subtitle(view), kToday);
  clock.setWallClock(kNow - 86400);
  press(host.focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(subtitle(view), kOtherDay);
}

TEST_F(NewTimerViewTest, CreateButtonIsFilledWithTheAccentColour) {
  QWidget host;
  NewTimerView* view = makeView(host);
  showAndSettle(host);
  const QImage button = child<QPushButton>(view, "createButton")->grab().toImage();
  ASSERT_FALSE(button.isNull());
  // Left of the label, inside the padding, at mid-height: clear of the text and the corners.
  const QColor fill = button.pixelColor(6, button.height() / 2);
  EXPECT_NEAR(fill.red(), 230, 2);
  EXPECT_NEAR(fill.green(), 77, 2);
  EXPECT_NEAR(fill.blue(), 26, 2);

  bool hasWhiteText = false;
  for (int y = 0; y < button.height() && !hasWhiteText; ++y)
    for (int x = 0; x < button.width() && !hasWhiteText; ++x)
      hasWhiteText = button.pixelColor(x, y) == QColor(Qt::white);
  EXPECT_TRUE(hasWhiteText);

  const QImage other = child<QPushButton>(view, "cancelButton")->grab().toImage();
  EXPECT_NE(other.pixelColor(6, other.height() / 2).rgb(), fill.rgb());
}

}  // namespace
}  // namespace brindlecap
