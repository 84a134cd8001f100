#include "timers/TimerItem.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>

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

TEST(TimerItemJson, WritesOnlyPresentKeysCompactlyAndRoundTripsAnyTitleAndNumber) {
  TimerItem fresh = makeItem(1000.25);
  auto json = nlohmann::json::parse(encodeTimerItems({fresh}));
  EXPECT_EQ(json[0].size(), 4u);
  EXPECT_EQ(json[0]["id"], "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B");
  EXPECT_EQ(encodeTimerItems({}), "[]");

  TimerItem item = makeItem();
  ASSERT_TRUE(item.snooze(1000, 1001.125, 300));
  EXPECT_EQ(encodeTimerItems({fresh, item}).find_first_of(" \n"), std::string::npos);
  item.title = std::string("q\"b\\s\n\t\x01 Ё\xFF\xC3 end");  // quotes, controls, broken UTF-8
  item.createdAt = 0.1 + 0.2;
  item.fireDate = 8.123456789012345e8;
  item.snoozeCount = std::numeric_limits<std::int64_t>::max();
  item.originalFireDate = -1e-300;
  const std::string text = encodeTimerItems({fresh, item});
  auto parsed = nlohmann::json::parse(text);  // a strict, independent reader accepts it
  EXPECT_EQ(parsed[1]["title"], "q\"b\\s\n\t\x01 Ё\uFFFD\uFFFD end");
  item.title = parsed[1]["title"];
  EXPECT_EQ(decodeTimerItems(text), (std::vector<TimerItem>{fresh, item}));
}

// The same reading rules over a general JSON document, as an independent reference.
std::optional<std::vector<TimerItem>> referenceDecode(std::string_view text) {
  auto json = nlohmann::json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_array()) return std::nullopt;
  std::vector<TimerItem> items;
  for (const auto& o : json) {
    if (!o.is_object()) return std::nullopt;
    auto id = o.find("id"), title = o.find("title"), created = o.find("createdAt"),
         fire = o.find("fireDate");
    if (id == o.end() || !id->is_string() || title == o.end() || !title->is_string() ||
        created == o.end() || !created->is_number() || fire == o.end() || !fire->is_number())
      return std::nullopt;
    auto uuid = Uuid::parse(id->get<std::string>());
    if (!uuid) return std::nullopt;
    TimerItem item{
        *uuid, title->get<std::string>(), created->get<double>(), fire->get<double>(), {}, {}, {}};
    for (auto [key, field] : {std::pair{"originalFireDate", &item.originalFireDate},
                              std::pair{"lastSnoozedAt", &item.lastSnoozedAt}}) {
      auto it = o.find(key);
      if (it == o.end() || it->is_null()) continue;
      if (!it->is_number()) return std::nullopt;
      *field = it->get<double>();
    }
    if (auto it = o.find("snoozeCount"); it != o.end() && !it->is_null()) {
      if (!it->is_number_integer()) return std::nullopt;
      item.snoozeCount = it->get<std::int64_t>();
    }
    items.push_back(item);
  }
  return items;
}

// Key order, nulls and unknown members whatever they hold are read past (the third object).
TEST(TimerItemJson, AgreesWithAGeneralJsonReaderOnDamagedFiles) {
  TimerItem a{*Uuid::parse("0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"),
              "Чай \"зелёный\"\n",
              1.5,
              8e8,
              7.5e8,
              3,
              7.6e8};
  TimerItem b{*Uuid::parse("1F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"), "b", -2, 0.25, {}, {}, {}};
  std::string base = encodeTimerItems({a, b});
  base = base.substr(0, base.size() - 1) +
         ",{\"id\":\"2f5e1c2a-3b4d-4e6f-8a9b-0c1d2e3f4a5b\",\"x\":[true,{}],"
         "\"title\":\"\\u0416\\ud83d\\ude00\",\"createdAt\":-0,\"fireDate\":1E3,"
         "\"snoozeCount\":null} ]";
  ASSERT_TRUE(decodeTimerItems(base));
  EXPECT_EQ(decodeTimerItems(base), referenceDecode(base));
  EXPECT_EQ(decodeTimerItems(base)->at(2).title, "Ж😀");
  for (const char* document : {"{}", "[] []", "[[]]", "[1]", "[{}]", "\"x\"", "[1,", ""})
    EXPECT_FALSE(decodeTimerItems(document)) << document;

  std::mt19937 random(20261206);
  const std::string alphabet = "{}[]\",:0123456789.eE-+ntrufalsx\\u \xD0\x96\xFF";
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = base;
    for (int e = 0, edits = 1 + static_cast<int>(random() % 3); e < edits; ++e) {
      const std::size_t at = random() % (text.size() + 1);
      const char c = alphabet[random() % alphabet.size()];
      const auto kind = random() % 3;
      if (kind == 0 && at < text.size()) text[at] = c;
      if (kind == 1) text.insert(text.begin() + static_cast<long>(at), c);
      if (kind == 2 && at < text.size()) text.erase(at, 1);
    }
    auto ours = decodeTimerItems(text);
    ASSERT_EQ(ours, referenceDecode(text)) << text;
    accepted += ours.has_value();
  }
  EXPECT_GT(accepted, 100) << "the damage should leave some files readable";
}

}  // namespace
}  // namespace brindlecap
