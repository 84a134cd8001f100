#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/AppDelegate.h"
#include "app/AppRemoteControl.h"
#include "app/CommandRunner.h"
#include "support/FakeAppPlatform.h"
#include "support/FakeTimeZone.h"

namespace brindlecap {
namespace {

using namespace testing;

// The running instance, as far as the command line can tell: there, startable, or neither.
class FakeInstance : public RemoteInstance {
 public:
  RemoteControl* connect() override { return running; }
  RemoteControl* launch() override {
    ++launches;
    running = startable;
    return running;
  }
  bool waitUntilGone() override {
    if (quits) running = nullptr;
    return quits;
  }

  RemoteControl* running = nullptr;
  RemoteControl* startable = nullptr;
  bool quits = true;
  int launches = 0;
};

// The command line against the real application core on fakes: what a command does must be
// exactly what the same change made in the list does.
class CommandRunnerTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  void SetUp() override {
    delegate = std::make_unique<AppDelegate>(platform([this] { ++terminations; }));
    delegate->applicationDidFinishLaunching();
    control = std::make_unique<AppRemoteControl>(*delegate, time, time, [this] { ++terminations; });
    control->onTimersChanged = [this] { ++changes; };
    instance.running = control.get();
  }

  int run(std::vector<std::string> arguments) {
    out.str({});
    err.str({});
    const auto command = parseCommandLine(arguments);
    if (!command) {
      err << command.error;
      return kExitUsage;
    }
    return runCommand(*command.value, {instance, files, time, zone, dates, out, err});
  }

  TimerStore& store() { return *delegate->store(); }
  std::string id(std::size_t index) { return store().items->at(index).id.toString(); }

  FakeTimeZone zone{0, 0};  // UTC+1 all year
  int terminations = 0;
  std::unique_ptr<AppDelegate> delegate;
  std::unique_ptr<AppRemoteControl> control;
  FakeInstance instance;
  int changes = 0;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(CommandRunnerTest, ChangesGoThroughTheStoreLikeTheListsOwn) {
  ASSERT_EQ(run({"add", "25m", "Чай"}), kExitDone) << err.str();
  ASSERT_EQ(store().items->size(), 1u);
  const TimerItem tea = store().items->front();
  EXPECT_EQ(tea.title, "Чай");
  EXPECT_DOUBLE_EQ(tea.fireDate, time.now() + 1500);
  EXPECT_EQ(out.str(), tea.id.toString() + "\tсегодня в " + dates.shortTime(tea.fireDate) + "\n");
  // Saved, its notification scheduled and the change announced, as after the list's own add.
  EXPECT_NE(files.files.at(store().fileURL()).find(tea.id.toString()), std::string::npos);
  EXPECT_TRUE(center.pending.count(tea.id.toString()));
  EXPECT_EQ(changes, 1);

  ASSERT_EQ(run({"extend", tea.id.toString(), "10"}), kExitDone);
  EXPECT_DOUBLE_EQ(store().items->front().fireDate, time.now() + 2100);
  ASSERT_EQ(run({"snooze", tea.id.toString()}), kExitDone);
  EXPECT_DOUBLE_EQ(store().items->front().fireDate, time.now() + 300);
  EXPECT_EQ(store().items->front().snoozeCount, 1);
  EXPECT_DOUBLE_EQ(center.pending.at(tea.id.toString()).triggerInterval, 300);
  store().postpone(tea.id, 60);  // the list's own "+5"
  EXPECT_EQ(changes, 4) << "every change is announced, whoever made it";

  ASSERT_EQ(run({"remove", tea.id.toString()}), kExitDone);
  EXPECT_TRUE(store().items->empty());
  EXPECT_FALSE(center.pending.count(tea.id.toString()));
  EXPECT_EQ(files.files.at(store().fileURL()), "[]");
  EXPECT_EQ(run({"remove", tea.id.toString()}), kExitUnavailable);
  EXPECT_EQ(err.str(), "brindlecap: Таймера " + tea.id.toString() + " нет.\n");

  run({"add", "1m"});
  run({"add", "2m"});
  EXPECT_EQ(store().items->front().title, "Таймер");
  ASSERT_EQ(run({"remove", "--all"}), kExitDone);
  EXPECT_TRUE(store().activeItems().empty());
}

TEST_F(CommandRunnerTest, ListsTheActiveTimersSoonestFirst) {
  EXPECT_EQ(run({"list"}), kExitDone);
  EXPECT_EQ(out.str(), "Нет активных таймеров\n");
  EXPECT_EQ(run({"list", "--json"}), kExitDone);
  EXPECT_EQ(out.str(), "[]\n");

  store().add("Долгий", time.now() + 7200);
  store().add("Чай\tс\nмятой", time.now() + 61);
  store().add("Прошёл", time.now() - 60);
  ASSERT_EQ(run({"list"}), kExitDone);
  EXPECT_EQ(out.str(),
            "Через 2 минуты  сегодня в " + dates.shortTime(time.now() + 61) + "  Чай с мятой  " +
                id(1) + "\n" +  //
                "Через 2 часа    сегодня в " + dates.shortTime(time.now() + 7200) +
                "  Долгий       " + id(2) + "\n");

  ASSERT_EQ(run({"list", "--json"}), kExitDone);
  const auto listed = nlohmann::json::parse(out.str());
  ASSERT_EQ(listed.size(), 2u);
  const auto& first = listed[0];
  EXPECT_EQ(first["id"], id(1));
  EXPECT_EQ(first["title"], "Чай\tс\nмятой");
  EXPECT_EQ(first["remaining"], "Через 2 минуты");
  EXPECT_EQ(first["remainingSeconds"], 61);
  EXPECT_DOUBLE_EQ(first["fireDate"].get<double>(), unixFromTimePoint(time.now() + 61));
  EXPECT_DOUBLE_EQ(first["createdAt"].get<double>(), unixFromTimePoint(time.now()));
  // 800000000 s after 2001 is 2026-05-09 06:13:20 UTC; the zone is an hour ahead.
  EXPECT_EQ(first["fireTime"], "2026-05-09T07:14:21+01:00");
}

TEST_F(CommandRunnerTest, RequestsNoUserCouldMeanAreRefused) {
  const auto error = [](const auto& result) {
    return result.ok() ? RemoteError::unreachable : result.failure().error;
  };
  // Not-a-number, infinite, negative and too long ones are thrown at it by the model test; here
  // the bounds themselves, and the error each refusal names.
  EXPECT_EQ(error(control->addTimer(7 * 86400.0 + 1, "x")), RemoteError::invalidDuration);
  EXPECT_TRUE(control->addTimer(7 * 86400.0, "x").ok());
  const std::string tea = control->addTimer(60, std::string(1200, 'a')).value();
  EXPECT_EQ(store().items->front().title.size(), kLongestTitle);
  EXPECT_EQ(error(control->snoozeTimer(tea, 0)), RemoteError::invalidDuration);
  EXPECT_EQ(error(control->removeTimer("not-a-uuid")), RemoteError::invalidArgument);
  EXPECT_EQ(error(control->extendTimer(Uuid::random().toString(), 60)), RemoteError::notFound);
  EXPECT_EQ(store().items->size(), 2u);
}

TEST_F(CommandRunnerTest, WithoutAnInstanceAddStartsOneAndListReadsTheFile) {
  store().add("Сохранённый", time.now() + 600);
  store().add("Прошедший", time.now() - 600);
  instance.running = nullptr;
  const int writes = files.writeCount;
  ASSERT_EQ(run({"list"}), kExitDone);
  EXPECT_NE(out.str().find("Сохранённый"), std::string::npos);
  EXPECT_EQ(out.str().find("Прошедший"), std::string::npos);
  EXPECT_EQ(files.writeCount, writes) << "read only";
  files.unreadableFiles.insert(store().fileURL());
  EXPECT_EQ(run({"list"}), kExitUnavailable);
  EXPECT_NE(err.str().find("не читаются"), std::string::npos);

  for (const auto& command : {std::vector<std::string>{"toggle-list"},
                              {"quit"},
                              {"remove", "--all"},
                              {"snooze", id(0), "5"}}) {
    EXPECT_EQ(run(command), kExitUnavailable) << command[0];
    EXPECT_EQ(err.str(), "brindlecap: Brindlecap не запущен.\n");
  }
  EXPECT_EQ(instance.launches, 0) << "only add starts an instance";

  EXPECT_EQ(run({"add", "5m"}), kExitUnavailable);
  EXPECT_EQ(err.str(), "brindlecap: Не удалось запустить Brindlecap.\n");
  instance.startable = control.get();
  EXPECT_EQ(run({"add", "5m", "Поздний"}), kExitDone);
  EXPECT_EQ(instance.launches, 2);
  EXPECT_EQ(store().items->at(1).title, "Поздний");
}

TEST_F(CommandRunnerTest, ToggleListQuitAndTimesOfDay) {
  ASSERT_EQ(run({"toggle-list"}), kExitDone);
  time.runPending();
  ASSERT_FALSE(windows.panels.empty());
  EXPECT_TRUE(windows.panels.back()->visible) << "what the hot key opens";
  ASSERT_EQ(run({"toggle-list"}), kExitDone);
  EXPECT_FALSE(windows.panels.back()->visible);

  // The clock reads 07:13:20 (an hour ahead of UTC): 00:10 is tomorrow.
  ASSERT_EQ(run({"add", "--at", "00:10", "Спать"}), kExitDone);
  EXPECT_DOUBLE_EQ(store().items->front().fireDate, time.now() + 16 * 3600 + 56 * 60 + 40);

  ASSERT_EQ(run({"quit"}), kExitDone);
  EXPECT_EQ(terminations, 0) << "the answer leaves first";
  time.runPending();
  EXPECT_EQ(terminations, 1);
  instance.running = control.get();
  instance.quits = false;
  EXPECT_EQ(run({"quit"}), kExitUnavailable);
}

}  // namespace
}  // namespace brindlecap
