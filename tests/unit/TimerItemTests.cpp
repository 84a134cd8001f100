#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>

#include "timers/TimerItem.h"

namespace brindlecap {
namespace {

TimerItem makeItem(TimePoint fire = 1000) {
  return TimerItem{
      *Uuid::parse("0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"), "Чай", 400, fire, {}, {}, {}};
}

TEST(TimerItemSnooze, RefusesNonPositiveIntervalsAndStaleOccurrences) {
  for (double by : {0.0, -5.0}) {
    TimerItem item = makeItem();
    EXPECT_FALSE(item.snooze(1000, 2000, by));
    EXPECT_EQ(item, makeItem());
  }
  for (double offset : {0.5, -0.5, 1.0}) {
    TimerItem item = makeItem();
    EXPECT_FALSE(item.snooze(1000 + offset, 2000, 300)) << offset;
    EXPECT_EQ(item, makeItem());
  }
  for (double offset : {0.4, -0.4, 0.0}) {
    TimerItem item = makeItem();
    EXPECT_TRUE(item.snooze(1000 + offset, 2000, 300)) << offset;
  }
}

TEST(TimerItemSnooze, FirstAndSecondSnoozeKeepTheOriginalFireDate) {
  TimerItem item = makeItem(1000);
  ASSERT_TRUE(item.snooze(1000, 1010, 300));
  EXPECT_EQ(item.fireDate, 1310);  // counts from the moment of snoozing
  EXPECT_EQ(item.originalFireDate, 1000);
  EXPECT_EQ(item.snoozeCount, 1);
  EXPECT_EQ(item.lastSnoozedAt, 1010);
  EXPECT_EQ(item.createdAt, 400);
  EXPECT_EQ(item.title, "Чай");

  EXPECT_FALSE(item.snooze(1000, 1320, 300)) << "the first firing was already snoozed";
  ASSERT_TRUE(item.snooze(1310, 1320, 60));
  EXPECT_EQ(item.fireDate, 1380);
  EXPECT_EQ(item.originalFireDate, 1000);
  EXPECT_EQ(item.snoozeCount, 2);
  EXPECT_EQ(item.lastSnoozedAt, 1320);
}

TEST(TimerItemJson, WritesOnlyPresentKeysCompactlyAndRoundTrips) {
  TimerItem fresh = makeItem(1000.25);
  auto json = nlohmann::json::parse(encodeTimerItems({fresh}));
  ASSERT_EQ(json.size(), 1u);
  EXPECT_EQ(json[0].size(), 4u);
  EXPECT_EQ(json[0]["id"], "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B");
  EXPECT_EQ(json[0]["createdAt"], 400);
  EXPECT_EQ(decodeTimerItems(json.dump())->at(0), fresh);

  TimerItem snoozed = fresh;
  ASSERT_TRUE(snoozed.snooze(1000.25, 1001.125, 300));
  const std::string text = encodeTimerItems({fresh, snoozed});
  EXPECT_EQ(text.find(' '), std::string::npos);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  auto decoded = decodeTimerItems(text);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, (std::vector<TimerItem>{fresh, snoozed}));
  EXPECT_EQ(encodeTimerItems({}), "[]");
}

TEST(TimerItemJson, TitlesSurviveAnyBytesAndNumbersRoundTripExactly) {
  TimerItem item = makeItem(8.123456789012345e8);
  item.title = std::string("q\"b\\s\n\t\x01 Ё\xFF\xC3 end");  // quotes, controls, broken UTF-8
  item.createdAt = 0.1 + 0.2;
  item.snoozeCount = std::numeric_limits<std::int64_t>::max();
  item.originalFireDate = -1e-300;
  const std::string text = encodeTimerItems({item});
  auto parsed = nlohmann::json::parse(text);  // a strict, independent reader accepts it
  EXPECT_EQ(parsed[0]["title"], "q\"b\\s\n\t\x01 Ё\uFFFD\uFFFD end");
  auto decoded = decodeTimerItems(text);
  ASSERT_TRUE(decoded);
  EXPECT_EQ((*decoded)[0].createdAt, item.createdAt);
  EXPECT_EQ((*decoded)[0].fireDate, item.fireDate);
  EXPECT_EQ((*decoded)[0].originalFireDate, item.originalFireDate);
  EXPECT_EQ((*decoded)[0].snoozeCount, item.snoozeCount);
  EXPECT_EQ((*decoded)[0].title, parsed[0]["title"].get<std::string>());
}

TEST(TimerItemJson, ReadingRules) {
  const std::string id = "\"id\":\"0f5e1c2a-3b4d-4e6f-8a9b-0c1d2e3f4a5b\"";
  auto decode = [](const std::string& object) { return decodeTimerItems("[" + object + "]"); };

  auto nulls = decode("{" + id +
                      ",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2,\"originalFireDate\":null,"
                      "\"snoozeCount\":null,\"extra\":[1,2]}");
  ASSERT_TRUE(nulls);
  EXPECT_FALSE((*nulls)[0].originalFireDate);
  EXPECT_FALSE((*nulls)[0].snoozeCount);
  EXPECT_EQ((*nulls)[0].id.toString(), "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B");

  auto integral = decode("{\"fireDate\":2," + id + ",\"createdAt\":1,\"title\":\"x\"}");
  ASSERT_TRUE(integral) << "key order and integer-valued numbers are fine";
  EXPECT_EQ((*integral)[0].fireDate, 2.0);

  for (const std::string& bad : std::vector<std::string>{
           "{" + id + ",\"createdAt\":1,\"fireDate\":2}",                      // no title
           "{" + id + ",\"title\":3,\"createdAt\":1,\"fireDate\":2}",          // title type
           "{" + id + ",\"title\":\"x\",\"createdAt\":\"1\",\"fireDate\":2}",  // date type
           "{" + id + ",\"title\":\"x\",\"createdAt\":1}",                     // no fireDate
           std::string(
               "{\"id\":\"nope\",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2}"),  // bad id
           "{" + id + ",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2,\"snoozeCount\":1.5}",
           "[]",
           "{" + id + ",\"title\":[\"x\"],\"createdAt\":1,\"fireDate\":2}",
           "{" + id + ",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2,\"lastSnoozedAt\":{}}",
           "{" + id + ",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2,\"originalFireDate\":true}",
       }) {
    EXPECT_FALSE(decode(bad)) << bad;
  }
  auto nested = decode("{" + id +
                       ",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2,"
                       "\"future\":{\"a\":[1,{\"title\":5}],\"fireDate\":\"no\"}}");
  ASSERT_TRUE(nested) << "unknown members are skipped whatever they hold";
  EXPECT_EQ((*nested)[0].fireDate, 2);
  EXPECT_EQ(decodeTimerItems("[]")->size(), 0u);
  EXPECT_FALSE(decodeTimerItems("{}"));
  EXPECT_FALSE(decodeTimerItems("[] []"));
  EXPECT_FALSE(decodeTimerItems("[[]]"));
  EXPECT_FALSE(decodeTimerItems("[1]"));
  EXPECT_FALSE(decodeTimerItems("\"x\""));
  EXPECT_FALSE(decodeTimerItems("[1,"));
  EXPECT_FALSE(decodeTimerItems(""));
}

}  // namespace
}  // namespace brindlecap

namespace brindlecap {
namespace {

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

TEST(TimerItemJson, AgreesWithAGeneralJsonReaderOnDamagedFiles) {
  TimerItem a{*Uuid::parse("0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"),
              "Чай \"зелёный\"\n",
              1.5,
              8e8,
              7.5e8,
              3,
              7.6e8};
  TimerItem b{*Uuid::parse("1F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"), "b", -2, 0.25, {}, {}, {}};
  const std::string base = encodeTimerItems({a, b}).substr(0, encodeTimerItems({a, b}).size() - 1) +
                           ",{\"id\":\"2f5e1c2a-3b4d-4e6f-8a9b-0c1d2e3f4a5b\",\"x\":[true,{}],"
                           "\"title\":\"\\u0416\\ud83d\\ude00\",\"createdAt\":-0,\"fireDate\":1E3,"
                           "\"snoozeCount\":null} ]";
  ASSERT_TRUE(decodeTimerItems(base));
  EXPECT_EQ(decodeTimerItems(base), referenceDecode(base));
  EXPECT_EQ(decodeTimerItems(base)->at(2).title, "Ж😀");

  std::mt19937 random(20261206);
  const std::string alphabet = "{}[]\",:0123456789.eE-+ntrufalsx\\u \xD0\x96\xFF";
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = base;
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = random() % (text.size() + 1);
      const char c = alphabet[random() % alphabet.size()];
      switch (random() % 3) {
        case 0:
          if (at < text.size()) text[at] = c;
          break;
        case 1:
          text.insert(text.begin() + static_cast<long>(at), c);
          break;
        case 2:
          if (at < text.size()) text.erase(at, 1);
          break;
      }
    }
    auto ours = decodeTimerItems(text);
    ASSERT_EQ(ours, referenceDecode(text)) << text;
    accepted += ours.has_value();
  }
  EXPECT_GT(accepted, 100) << "the damage should leave some files readable";
}

}  // namespace
}  // namespace brindlecap
