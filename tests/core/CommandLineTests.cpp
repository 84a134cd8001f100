#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace brindlecap {
namespace {

using Action = CommandLine::Action;
using Args = std::vector<std::string>;
constexpr char kId[] = "2ce8bff1-a983-4e40-84a6-61aa2f1d9b29";
constexpr char kCanonicalId[] = "2CE8BFF1-A983-4E40-84A6-61AA2F1D9B29";

TEST(CommandLine, ReadsEveryCommand) {
  struct Case {
    Args arguments;
    Action action;
    std::optional<double> duration = std::nullopt;
    std::string title = {};
    double seconds = 300;
  };
  const std::vector<Case> cases{
      {{}, Action::start},
      {{"--help"}, Action::help},
      {{"add", "5m", "-h"}, Action::help},
      {{"frob", "--version"}, Action::version},
      {{"-v"}, Action::version},
      {{"add", "25m"}, Action::add, 1500},
      {{"add", "1:30:00", "Чай", "с", "мятой"}, Action::add, 5400, "Чай с мятой"},
      {{"add", "5m", "--", "--важно--"}, Action::add, 300, "--важно--"},
      {{"list"}, Action::list},
      {{"remove", kId}, Action::remove},
      {{"snooze", kId}, Action::snooze},
      {{"extend", kId, "15"}, Action::extend, std::nullopt, "", 900},
      {{"toggle-list"}, Action::toggleList},
      {{"quit"}, Action::quit},
  };
  for (const Case& c : cases) {
    const auto parsed = parseCommandLine(c.arguments);
    ASSERT_TRUE(parsed) << ::testing::PrintToString(c.arguments) << ": " << parsed.error;
    const CommandLine& command = *parsed.value;
    EXPECT_EQ(command.action, c.action) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(command.duration, c.duration) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(command.title, c.title);
    EXPECT_DOUBLE_EQ(command.seconds, c.seconds);
    if (c.arguments.size() > 1 && c.arguments[1] == kId) {
      EXPECT_EQ(command.id, kCanonicalId);
    }
  }

  const auto at = parseCommandLine({"add", "--at", "7:05", "Созвон"});
  ASSERT_TRUE(at);
  EXPECT_EQ(at.value->at, (ClockTime{7, 5}));
  EXPECT_EQ(at.value->duration, std::nullopt);
  EXPECT_EQ(at.value->title, "Созвон");
  EXPECT_EQ(parseCommandLine({"add", "--at=23:00"}).value->at, (ClockTime{23, 0}));
  EXPECT_TRUE(parseCommandLine({"list", "--json"}).value->json);
  EXPECT_TRUE(parseCommandLine({"remove", "--all"}).value->all);
}

TEST(CommandLine, RefusesWithAReason) {
  const std::vector<std::pair<Args, std::string>> cases{
      {{"frob"}, "Неизвестная команда «frob»"},
      {{"--json"}, "Не указана команда"},
      {{"list", "--verbose"}, "Неизвестный параметр «--verbose»"},
      {{"add", "5m", "--json"}, "«--json» не подходит к команде «add»"},
      {{"list", "--all"}, "«--all» не подходит к команде «list»"},
      {{"remove", kId, "--at", "12:00"}, "«--at» не подходит"},
      {{"add"}, "Не указана длительность"},
      {{"add", "25"}, "нет единицы"},
      {{"add", "-5m"}, "отрицательной"},
      {{"add", "1h", "30m"}, "одним словом"},
      {{"add", "--at", "12:00", "25m"}, "длительность или --at"},
      {{"add", "--at"}, "После --at нужно время"},
      {{"add", "--at", "25:00"}, "не время суток"},
      {{"list", "extra"}, "Лишний аргумент «extra»"},
      {{"remove"}, "Не указан id"},
      {{"remove", kId, "--all"}, "id или --all"},
      {{"remove", "abc"}, "«abc» — не id таймера"},
      {{"snooze"}, "Не указан id"},
      {{"snooze", kId, "0"}, "хотя бы 1 секунду"},
      {{"extend", kId, "5", "6"}, "Лишний аргумент «6»"},
      {{"toggle-list", "now"}, "Лишний аргумент"},
  };
  for (const auto& [arguments, reason] : cases) {
    const auto parsed = parseCommandLine(arguments);
    EXPECT_FALSE(parsed) << ::testing::PrintToString(arguments);
    EXPECT_NE(parsed.error.find(reason), std::string::npos)
        << ::testing::PrintToString(arguments) << ": " << parsed.error;
  }
}

TEST(CommandLine, LongTitlesAreCutAtACharacter) {
  std::string title;
  for (int i = 0; i < 1001; ++i) title += "ж";  // two bytes each
  const auto parsed = parseCommandLine({"add", "5m", title});
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed.value->titleWasCut);
  EXPECT_EQ(parsed.value->title.size(), 2000u) << "cut between characters, not inside one";

  std::string exact(kLongestTitle, 'a');
  EXPECT_FALSE(cutTitle(exact));
  EXPECT_EQ(exact.size(), kLongestTitle);
}

}  // namespace
}  // namespace brindlecap
