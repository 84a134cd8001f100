#include "settings/GlobalShortcut.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace brindlecap {
namespace {

using Tokens = std::vector<std::string>;

TEST(GlobalShortcutTest, DisplayTokensFollowModifierOrderThenKeyAndSpellTheMenuText) {
  EXPECT_EQ((GlobalShortcut{46, 6400}.displayTokens()), (Tokens{"Ctrl", "Alt", "Super", "M"}));
  EXPECT_EQ((GlobalShortcut{17, 512}.displayTokens()), (Tokens{"Shift", "T"}));
  EXPECT_EQ((GlobalShortcut{0, 0}.displayTokens()), (Tokens{"?"}));
  // Every modifier at once keeps control, option, shift, command order; unknown bits add nothing.
  const GlobalShortcut all{2, 4096 | 2048 | 512 | 256 | 1 | 1024};
  EXPECT_EQ(all.displayTokens(), (Tokens{"Ctrl", "Alt", "Shift", "Super", "D"}));
  EXPECT_EQ((GlobalShortcut{45, 256}.displayTokens()), (Tokens{"Super", "?"}));
  // The caps and the text menus and sentences use name the same keys in the same order.
  for (const GlobalShortcut& shortcut : {GlobalShortcut::alternatives()[0], all}) {
    std::string joined;
    for (const std::string& token : shortcut.displayTokens())
      joined += (joined.empty() ? "" : "+") + token;
    EXPECT_EQ(shortcut.hotKeyCombination().text(), joined);
  }
}

TEST(GlobalShortcutTest, JsonRoundTripWritesExactlyTheTwoMembers) {
  const auto encoded = GlobalShortcut::defaultShortcut().toJson();
  const auto parsed = nlohmann::json::parse(encoded);
  EXPECT_EQ(parsed, (nlohmann::json{{"keyCode", 46}, {"modifiers", 6400}}));
  EXPECT_EQ(parsed.size(), 2u);

  EXPECT_EQ(GlobalShortcut::fromJson(R"({"keyCode":2,"modifiers":6400})"),
            GlobalShortcut::alternatives()[2]);
  // Member order and unrelated members do not matter.
  EXPECT_EQ(GlobalShortcut::fromJson(R"({"extra":true,"modifiers":512,"keyCode":17})"),
            (GlobalShortcut{17, 512}));
  // The full unsigned 32-bit range survives a round trip, and names the combination.
  const GlobalShortcut extreme{4294967295u, 0};
  EXPECT_EQ(GlobalShortcut::fromJson(extreme.toJson()), extreme);
  EXPECT_EQ(extreme.identity(), "4294967295-0");
}

TEST(GlobalShortcutTest, DecodingRejectsAnythingButTwoUnsigned32BitMembers) {
  const std::vector<std::string> invalid{R"({"keyCode":46})",
                                         R"({"modifiers":6400})",
                                         R"({})",
                                         R"({"keyCode":-1,"modifiers":6400})",
                                         R"({"keyCode":46,"modifiers":-6400})",
                                         R"({"keyCode":4294967296,"modifiers":6400})",
                                         R"({"keyCode":46,"modifiers":18446744073709551616})",
                                         R"({"keyCode":46.5,"modifiers":6400})",
                                         R"({"keyCode":"46","modifiers":6400})",
                                         R"({"keyCode":46,"modifiers":null})",
                                         R"({"keyCode":true,"modifiers":6400})",
                                         R"({"keyCode":[46],"modifiers":6400})",
                                         R"([46,6400])",
                                         R"("46-6400")",
                                         R"(46)",
                                         R"({"keyCode":46,"modifiers":6400)",
                                         ""};
  for (const std::string& json : invalid) EXPECT_FALSE(GlobalShortcut::fromJson(json)) << json;
}

}  // namespace
}  // namespace brindlecap
