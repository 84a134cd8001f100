#include "reminders/NotificationManager.h"

#include <gtest/gtest.h>

#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;
using nlohmann::json;
using Status = NotificationAuthorizationStatus;
using Lines = std::vector<std::string>;

const Uuid kId = *Uuid::parse("6f9619ff-8b86-d011-b42d-00c04fc964ff");
const std::string kIdString = "6F9619FF-8B86-D011-B42D-00C04FC964FF";

// "snooze" or "dismiss", the timer, the occurrence's fire date and the snooze in seconds.
using Answer = std::tuple<std::string, Uuid, TimePoint, double>;

class NotificationManagerTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  std::shared_ptr<NotificationManager> makeManager(bool diagnosticsOn = false) {
    if (diagnosticsOn) environment.variables[Diagnostics::kVariable] = "1";
    diagnostics.emplace(environment, output);
    auto manager = NotificationManager::create(center, settings, time, time, *diagnostics);
    manager->onSnooze = [this](const Uuid& id, TimePoint at, double seconds) {
      answers.push_back({"snooze", id, at, seconds});
    };
    manager->onDismiss = [this](const Uuid& id, TimePoint at) {
      answers.push_back({"dismiss", id, at, 0});
    };
    return manager;
  }
  TimerItem timer(double secondsAhead, std::string title = "Чай") const {
    return TimerItem{kId, std::move(title), time.now(), time.now() + secondsAhead, {}, {}, {}};
  }

  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  std::optional<Diagnostics> diagnostics;
  std::vector<Answer> answers;
};

TEST_F(NotificationManagerTest, SchedulesOneRequestBuiltFromTheTimerAndTheSettings) {
  auto manager = makeManager();
  // {title, seconds ahead, sound on, trigger interval: nothing for no request at all}
  const std::tuple<std::string, double, bool, std::optional<double>> cases[] = {
      {"Чай", 600, true, 600},        {"  Звонок маме ", 0.3, true, 1.0}, {"", 90, false, 90},
      {"Чай", 0, true, std::nullopt}, {"Чай", -5, true, std::nullopt},
  };
  for (const auto& [title, secondsAhead, sound, trigger] : cases) {
    SCOPED_TRACE(secondsAhead);
    center.pending.clear();
    settings->playSound.set(sound);
    const TimerItem item = timer(secondsAhead, title);
    manager->schedule(item);
    if (!trigger) {
      EXPECT_TRUE(center.pending.empty());
      continue;
    }
    ASSERT_EQ(center.pending.count(kIdString), 1u);
    const NotificationRequest& request = center.pending[kIdString];
    EXPECT_EQ(request.identifier, kIdString);
    EXPECT_DOUBLE_EQ(request.triggerInterval, *trigger);
    EXPECT_EQ(request.content.title, title.empty() ? "Таймер завершён" : title);
    EXPECT_EQ(request.content.body, "Запланированное время наступило.");
    EXPECT_EQ(request.content.playsSound, sound);
    EXPECT_EQ(request.content.categoryIdentifier, "BRINDLECAP_TIMER_COMPLETED");
    EXPECT_EQ(request.content.userInfo,
              (json{{"timerID", kIdString}, {"fireDate", item.fireDate + 978307200.0}}));
    EXPECT_TRUE(request.content.userInfo["fireDate"].is_number_float());
  }
}

TEST_F(NotificationManagerTest, ReplacesCancelsAndFollowsTheNotificationSwitch) {
  auto manager = makeManager();
  center.delegate = manager;
  manager->schedule(timer(60));
  manager->schedule(timer(120));
  ASSERT_EQ(center.pending.size(), 1u);
  EXPECT_DOUBLE_EQ(center.pending[kIdString].triggerInterval, 120);
  EXPECT_TRUE(center.deliver(kIdString));

  // Cancelling withdraws the rescheduled request and the one still on screen, nobody else's.
  const Uuid other = Uuid::random();
  manager->schedule(TimerItem{other, "Другой", time.now(), time.now() + 60, {}, {}, {}});
  manager->schedule(timer(300));
  center.calls.clear();
  manager->cancel(kId);
  EXPECT_EQ(center.calls, (Lines{"removePending " + kIdString, "removeDelivered " + kIdString}));
  EXPECT_TRUE(center.delivered.empty());
  ASSERT_EQ(center.pending.size(), 1u);
  EXPECT_EQ(center.pending.begin()->first, other.toString());

  settings->systemNotifications.set(false);
  center.calls.clear();
  manager->schedule(timer(60));
  EXPECT_TRUE(center.calls.empty());
  EXPECT_FALSE(manager->shouldPresent({}));
  settings->systemNotifications.set(true);
  EXPECT_TRUE(manager->shouldPresent({}));
}

TEST_F(NotificationManagerTest, ConfigureRegistersOneCategoryAndRefreshesTheStatus) {
  for (auto [on, interval, title] :
       {std::tuple{true, QuickSnoozeInterval::fiveMinutes, "Отложить на 5 минут"},
        {false, QuickSnoozeInterval::thirtyMinutes, "Отложить на 30 минут"}}) {
    SCOPED_TRACE(on);
    center = FakeNotificationCenter{};
    center.authorizationStatus = on ? Status::notDetermined : Status::denied;
    settings->systemNotifications.set(on);
    auto manager = makeManager();
    settings->quickSnoozeInterval.set(interval);  // read when configuring, not before
    manager->configure();
    time.runPending();
    Lines expectedCalls{"setDelegate", "setNotificationCategories", "requestAuthorization",
                        "getAuthorizationStatus"};
    if (!on) expectedCalls.erase(expectedCalls.begin() + 2);
    EXPECT_EQ(center.calls, expectedCalls);
    const NotificationCategory expected{
        "BRINDLECAP_TIMER_COMPLETED", {{"BRINDLECAP_QUICK_SNOOZE", title}}, true};
    EXPECT_EQ(center.categories, std::vector{expected});
    EXPECT_EQ(center.delegate.lock(), manager);
    EXPECT_EQ(settings->notificationAuthorizationStatus.value(),
              on ? Status::authorized : Status::denied);
  }
}

TEST_F(NotificationManagerTest, MapsResponsesToTheAnnouncedOccurrenceOnTheMainQueue) {
  auto manager = makeManager();
  manager->configure();
  settings->quickSnoozeInterval.set(QuickSnoozeInterval::fiveMinutes);
  const TimerItem posted = timer(60);
  manager->schedule(posted);
  center.deliver(kIdString);
  manager->schedule(timer(600));  // snoozed since: the response still names the first firing
  settings->quickSnoozeInterval.set(QuickSnoozeInterval::thirtyMinutes);
  const NotificationContent content = center.delivered[kIdString].content;

  // {action, a change to the response's payload, what the manager reports}
  using Case = std::tuple<std::string, std::function<void(json&)>, std::vector<Answer>>;
  const std::vector<Answer> none;
  const auto keep = [](json&) {};
  const std::vector<Case> cases = {
      {"BRINDLECAP_QUICK_SNOOZE", keep, {{"snooze", kId, posted.fireDate, 1800}}},
      {"dismiss", keep, {{"dismiss", kId, posted.fireDate, 0}}},
      {"default", keep, {{"dismiss", kId, posted.fireDate, 0}}},
      {"BRINDLECAP_OTHER", keep, none},
      {"dismiss", [](json& info) { info["timerID"] = "6F9619FF-8B86-D011-B42D"; }, none},
      {"dismiss", [](json& info) { info.erase("timerID"); }, none},
      {"dismiss", [](json& info) { info["timerID"] = 42; }, none},
      {"BRINDLECAP_QUICK_SNOOZE", [](json& info) { info.erase("fireDate"); }, none},
      {"dismiss", [](json& info) { info["fireDate"] = "1778307260"; }, none},
      {"default", [](json& info) { info = json::array(); }, none},
  };
  for (const auto& [action, edit, expected] : cases) {
    SCOPED_TRACE(action);
    answers.clear();
    center.responseCompletions = 0;
    NotificationResponse response{action, kIdString, content};
    edit(response.content.userInfo);
    ASSERT_TRUE(center.respond(response));
    EXPECT_EQ(center.responseCompletions, 1);
    EXPECT_TRUE(answers.empty());  // never on the responding thread
    time.runPending();
    EXPECT_EQ(answers, expected);
  }
}

TEST_F(NotificationManagerTest, PrintsStatusAfterSchedulingAndJustAfterTheDueMoment) {
  auto quiet = makeManager();
  quiet->schedule(timer(10));
  time.runPending();
  EXPECT_EQ(time.pendingTimerCount(), 0u) << "no status checks without diagnostics";
  quiet.reset();

  auto manager = makeManager(true);
  center.authorizationStatus = Status::authorized;
  manager->schedule(timer(0.3));
  time.runPending();
  EXPECT_EQ(
      output.lines,
      (Lines{"BRINDLECAP_NOTIFICATION_SCHEDULED " + kIdString, "BRINDLECAP_NOTIFICATION_AUTH 2",
             "BRINDLECAP_NOTIFICATION_PENDING 1", "BRINDLECAP_NOTIFICATION_DELIVERED 0"}));
  output.lines.clear();
  center.deliver(kIdString);
  time.advance(1.2);  // past the one-second trigger, not yet past the due moment + 1 s
  EXPECT_TRUE(output.lines.empty());
  time.advance(0.2);
  EXPECT_EQ(output.lines,
            (Lines{"BRINDLECAP_NOTIFICATION_AUTH 2", "BRINDLECAP_NOTIFICATION_PENDING 0",
                   "BRINDLECAP_NOTIFICATION_DELIVERED 1"}));

  output.lines.clear();
  center.addError = "Сервер уведомлений не отвечает";
  manager->schedule(timer(5));
  time.runPending();
  EXPECT_EQ(output.lines.at(0),
            "BRINDLECAP_NOTIFICATION_SCHEDULE_ERROR Сервер уведомлений не отвечает");
  EXPECT_EQ(time.pendingTimerCount(), 1u);
  manager.reset();
  EXPECT_EQ(time.pendingTimerCount(), 0u);
}

TEST_F(NotificationManagerTest, LateCompletionsAndQueuedResponsesDoNothingOnceTheManagerIsGone) {
  auto manager = makeManager(true);
  center.holdsCompletions = true;
  center.authorizationStatus = Status::denied;
  manager->configure();
  manager->refreshAuthorizationStatus();
  manager->schedule(timer(30));
  center.deliver(kIdString);
  ASSERT_TRUE(center.respond("BRINDLECAP_QUICK_SNOOZE", kIdString));
  ASSERT_TRUE(center.respond("dismiss", kIdString));
  manager.reset();

  EXPECT_FALSE(center.respond("dismiss", kIdString));
  center.runHeldCompletions();
  time.runPending();
  EXPECT_TRUE(answers.empty());
  EXPECT_TRUE(output.lines.empty());
  EXPECT_EQ(settings->notificationAuthorizationStatus.value(), Status::notDetermined);
}

}  // namespace
}  // namespace brindlecap
