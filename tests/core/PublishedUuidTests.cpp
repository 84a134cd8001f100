#include <gtest/gtest.h>

#include <set>

#include "platform/Diagnostics.h"
#include "platform/Published.h"
#include "platform/Uuid.h"
#include "support/FakeEnvironment.h"

namespace brindlecap {
namespace {

TEST(Published, DeliversValuesAsAskedAndSurvivesObserversLeavingMidDeliveryOrOutlivingIt) {
  Published<std::string> value("a");
  std::vector<std::string> all, changes, distinct;
  auto s1 = value.subscribe([&](const std::string& v) { all.push_back(v); });
  auto s2 = value.subscribe([&](const std::string& v) { changes.push_back(v); },
                            Published<std::string>::Delivery::changesOnly);
  auto s3 = value.subscribe([&](const std::string& v) { distinct.push_back(v); },
                            Published<std::string>::Delivery::currentAndChanges, true);
  for (const char* v : {"a", "b", "b"}) value.set(v);
  value.mutate([](std::string& v) { v = "a"; });
  s1.reset();
  value.set("c");
  EXPECT_EQ(all, (std::vector<std::string>{"a", "a", "b", "b", "a"}));
  EXPECT_EQ(changes, (std::vector<std::string>{"a", "b", "b", "a", "c"}));
  EXPECT_EQ(distinct, (std::vector<std::string>{"a", "b", "a", "c"}));
  EXPECT_EQ(value.value(), "c");
  EXPECT_EQ(value.subscriberCount(), 2u);

  // Observers may unsubscribe during a delivery and outlive the publisher.
  auto numbers = std::make_unique<Published<int>>(0);
  Subscription second;
  int firstCalls = 0, secondCalls = 0;
  auto first = numbers->subscribe(
      [&](const int&) {
        ++firstCalls;
        second.reset();  // drops a later observer mid-delivery
      },
      Published<int>::Delivery::changesOnly);
  second =
      numbers->subscribe([&](const int&) { ++secondCalls; }, Published<int>::Delivery::changesOnly);
  numbers->set(1);
  EXPECT_EQ(firstCalls, 1);
  EXPECT_EQ(secondCalls, 0);
  numbers.reset();
  first.reset();  // must not touch the destroyed publisher
}

TEST(Uuid, RandomV4CanonicalTextAndParsing) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string text = Uuid::random().toString();
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4') << text;
    EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos) << text;
    EXPECT_EQ(Uuid::parse(text)->toString(), text);
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 200u);
  EXPECT_EQ(Uuid::parse("0f5e1c2a-3b4d-4e6f-8a9b-0c1d2e3f4a5b")->toString(),
            "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5B");
  for (const char* bad :
       {"", "0F5E1C2A3B4D4E6F8A9B0C1D2E3F4A5B", "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5",
        "0F5E1C2A-3B4D-4E6F-8A9B-0C1D2E3F4A5G", "0F5E1C2A-3B4D-4E6F-8A9B+0C1D2E3F4A5B",
        "0F5E1C2-A3B4D-4E6F-8A9B-0C1D2E3F4A5B"})
    EXPECT_FALSE(Uuid::parse(bad)) << bad;
}

TEST(Diagnostics, PrintsMarkersOnlyWhileTheVariableIsPresentWhoseValueNamesAMode) {
  testing::FakeEnvironment environment;
  testing::RecordingDiagnosticOutput output;
  Diagnostics off(environment, output);
  off.print("SILENT");
  EXPECT_FALSE(off.isEnabled());
  environment.variables["BRINDLECAP_DIAGNOSTICS"] = "";
  Diagnostics on(environment, output);
  on.print("EVENT");
  on.print("WITH_PAYLOAD", "a=1");
  EXPECT_EQ(on.mode(), DiagnosticMode::other) << "an empty value still switches markers on";
  EXPECT_EQ(output.lines,
            (std::vector<std::string>{"BRINDLECAP_EVENT", "BRINDLECAP_WITH_PAYLOAD a=1"}));

  // Modes match whole values, the marketing ones by prefix.
  using enum DiagnosticMode;
  const std::pair<std::optional<std::string_view>, DiagnosticMode> rows[] = {
      {std::nullopt, none},
      {"1", launch},
      {"11", other},
      {"drag_animation", dragAnimation},
      {"Drag_animation", other},
      {"settings ", other},
      {"marketing_settings", marketingSettings},
      {"marketing_menu", otherMarketing},
      {"marketing", other}};
  for (const auto& [value, mode] : rows)
    EXPECT_EQ(parseDiagnosticMode(value), mode) << value.value_or("(absent)");
}

}  // namespace
}  // namespace brindlecap
