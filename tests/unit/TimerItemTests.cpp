#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "timers/TimerItem.h"

namespace brindlecap {
namespace {

TimerItem makeItem(TimePoint fire = 1000) {
  return TimerItem{*Uuid::parse("0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B"), "Чай", 400, fire, {}, {}, {}};
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
  nlohmann::json json = fresh;
  EXPECT_EQ(json.size(), 4u);
  EXPECT_EQ(json["id"], "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B");
  EXPECT_EQ(json.get<TimerItem>(), fresh);

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
           "{" + id + ",\"createdAt\":1,\"fireDate\":2}",                          // no title
           "{" + id + ",\"title\":3,\"createdAt\":1,\"fireDate\":2}",              // title type
           "{" + id + ",\"title\":\"x\",\"createdAt\":\"1\",\"fireDate\":2}",      // date type
           "{" + id + ",\"title\":\"x\",\"createdAt\":1}",                         // no fireDate
           std::string("{\"id\":\"nope\",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2}"),  // bad id
           "{" + id + ",\"title\":\"x\",\"createdAt\":1,\"fireDate\":2,\"snoozeCount\":1.5}",
           "[]",
       }) {
    EXPECT_FALSE(decode(bad)) << bad;
  }
  EXPECT_FALSE(decodeTimerItems("{}"));
  EXPECT_FALSE(decodeTimerItems("[1,"));
  EXPECT_FALSE(decodeTimerItems(""));
}

}  // namespace
}  // namespace brindlecap
