#include "timers/TimerItem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

namespace brindlecap {
namespace {

TimerItem makeItem(TimePoint fire = 1000) {
  return TimerItem{
      *Uuid::parse("0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"), "Чай", 400, fire, {}, {}, {}};
}

TEST(TimerItemSnooze, OnlyTheCurrentOccurrenceWithinHalfASecondAndAPositiveInterval) {
  const std::vector<std::tuple<double, double, bool>> cases{
      {0, 0, false},   {0, -5, false},   {0.5, 300, false}, {-0.5, 300, false},
      {1, 300, false}, {0.4, 300, true}, {-0.4, 300, true}, {0, 300, true}};
  for (const auto& [offset, by, accepted] : cases) {
    TimerItem item = makeItem();
    EXPECT_EQ(item.snooze(1000 + offset, 2000, by), accepted) << offset << " " << by;
    if (!accepted) {
      EXPECT_EQ(item, makeItem());
    }
  }

  TimerItem item = makeItem(1000);
  ASSERT_TRUE(item.snooze(1000, 1010, 300));
  EXPECT_EQ(std::tuple(item.fireDate, item.originalFireDate, item.snoozeCount, item.lastSnoozedAt,
                       item.createdAt),
            std::tuple(1310, 1000, 1, 1010, 400))
      << "counted from the moment of snoozing";
  EXPECT_FALSE(item.snooze(1000, 1320, 300)) << "the first firing was already snoozed";
  ASSERT_TRUE(item.snooze(1310, 1320, 60));
  EXPECT_EQ(std::tuple(item.fireDate, item.originalFireDate, item.snoozeCount, item.lastSnoozedAt),
            std::tuple(1380, 1000, 2, 1320));
}

// What no decoded file can hold: bytes that are not UTF-8 and numbers JSON has no form for. The
// corpus below pins everything else the writer does.
TEST(TimerItemJson, WritesBrokenTitlesAndNonFiniteNumbersAsAReadableFile) {
  TimerItem item = makeItem(-std::numeric_limits<double>::infinity());
  item.title = "Ё\xFF\xC3 \xE2\x82";
  item.createdAt = std::numeric_limits<double>::infinity();
  item.lastSnoozedAt = std::numeric_limits<double>::quiet_NaN();
  const std::string text = encodeTimerItems({item});
  EXPECT_EQ(text,
            "[{\"id\":\"0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B\",\"title\":\"Ё\uFFFD\uFFFD \uFFFD\","
            "\"createdAt\":1.7976931348623157e+308,\"fireDate\":-1.7976931348623157e+308,"
            "\"lastSnoozedAt\":0}]");
  item.title = "Ё\uFFFD\uFFFD \uFFFD";
  item.createdAt = std::numeric_limits<double>::max();
  item.fireDate = std::numeric_limits<double>::lowest();
  item.lastSnoozedAt = 0;
  EXPECT_EQ(decodeTimerItems(text), std::vector{item});
}

// tests/data/timers, found from this file's folder or, when the compiler cache made __FILE__
// relative, from the working folder.
std::filesystem::path corpusFolder() {
  namespace fs = std::filesystem;
  for (fs::path folder : {fs::absolute(__FILE__).parent_path(), fs::current_path()}) {
    for (; folder != folder.parent_path(); folder = folder.parent_path())
      if (fs::is_directory(folder / "tests/data/timers")) return folder / "tests/data/timers";
  }
  return {};
}

std::string contentsOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Damaged, hand-edited and older files. Each one under undecodable/ must be refused as a whole;
// each one under decodable/ must read as the items whose save is its .saved neighbour.
TEST(TimerItemJson, ReadsTheCorpusOfDamagedAndHandEditedFiles) {
  const std::filesystem::path corpus = corpusFolder();
  ASSERT_FALSE(corpus.empty()) << "tests/data/timers not found";
  for (const std::string kind : {"undecodable", "decodable"}) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / kind)) {
      if (entry.path().extension() != ".json") continue;
      ++files;
      const auto items = decodeTimerItems(contentsOf(entry.path()));
      if (kind == "undecodable") {
        EXPECT_FALSE(items) << entry.path();
        continue;
      }
      EXPECT_TRUE(items) << entry.path();
      if (!items) continue;
      const std::string saved =
          contentsOf(std::filesystem::path(entry.path()).replace_extension(".saved"));
      EXPECT_EQ(encodeTimerItems(*items) + "\n", saved) << entry.path();
      EXPECT_EQ(decodeTimerItems(saved), items) << entry.path();
    }
    EXPECT_GT(files, 0) << kind;
  }
}

}  // namespace
}  // namespace brindlecap
