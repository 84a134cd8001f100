#include "platform/linux/QSettingsDefaultsStore.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "support/FakeEnvironment.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

namespace fs = std::filesystem;

class QSettingsDefaultsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment.variables = {{"XDG_CONFIG_HOME", root.string()}, {"HOME", "/nonexistent"}};
    iniPath = QSettingsDefaultsStore::defaultPath(environment);
  }

  // What the next run of the application sees.
  QSettingsDefaultsStore reopened() const { return QSettingsDefaultsStore(iniPath); }

  // Replaces the file as a user editing it by hand would.
  void writeIni(const std::string& body) const {
    fs::create_directories(fs::path(iniPath).parent_path());
    std::ofstream(iniPath) << "[General]\n" << body;
  }

  testing::TemporaryDirectory temporary;
  const fs::path root = temporary.path();
  testing::FakeEnvironment environment;
  std::string iniPath;
};

TEST_F(QSettingsDefaultsStoreTest, EveryTypeSurvivesARestart) {
  const std::string shortcutJson = "{\"keyCode\":46,\"modifiers\":[\"control\",\"option\"]}";
  const std::string binary("\x00\x01\xff\"@ByteArray(x)\n", 18);
  {
    QSettingsDefaultsStore store(iniPath);
    store.setBool("settings.isSoundEnabled", true);
    store.setBool("settings.hasCompletedOnboarding", false);
    store.setInteger("settings.small", -42);
    store.setInteger("settings.huge", INT64_MAX);
    store.setString("settings.plain", "banner");
    store.setString("settings.tricky", "a, b; \"c\" = @d\\e");
    store.setString("settings.empty", "");
    store.setData("settings.globalShortcut", shortcutJson);
    store.setData("settings.binary", binary);
    // Written through at once: the file already holds everything.
    ASSERT_TRUE(fs::exists(iniPath));
  }

  const auto store = reopened();
  EXPECT_EQ(store.boolValue("settings.isSoundEnabled").value, true);
  EXPECT_TRUE(store.boolValue("settings.hasCompletedOnboarding").isPresent());
  EXPECT_EQ(store.boolValue("settings.hasCompletedOnboarding").value, false);
  EXPECT_EQ(store.integerValue("settings.small").value, -42);
  EXPECT_EQ(store.integerValue("settings.huge").value, INT64_MAX);
  EXPECT_EQ(store.stringValue("settings.plain").value, "banner");
  EXPECT_EQ(store.stringValue("settings.tricky").value, "a, b; \"c\" = @d\\e");
  EXPECT_TRUE(store.stringValue("settings.empty").isPresent());
  EXPECT_EQ(store.stringValue("settings.empty").value, "");
  EXPECT_EQ(store.dataValue("settings.globalShortcut").value, shortcutJson);
  EXPECT_EQ(store.dataValue("settings.binary").value, binary);
}

TEST_F(QSettingsDefaultsStoreTest, CyrillicTextRoundTrips) {
  const std::string title = "Таймер «чай» — ёжик";
  QSettingsDefaultsStore(iniPath).setString("settings.последний", title);
  EXPECT_EQ(reopened().stringValue("settings.последний").value, title);
}

TEST_F(QSettingsDefaultsStoreTest, ReadsOnlyTheTypeTheTextSpells) {
  writeIni(
      "flag=yes\n"
      "number=abc\n"
      "spaced=\" 12\"\n"
      "trailing=12x\n"
      "overflow=9223372036854775808\n"
      "text=hello\n"
      "list=a, b\n");
  const auto store = reopened();
  EXPECT_EQ(store.boolValue("flag").status, DefaultsValue<bool>::Status::wrongType);
  EXPECT_EQ(store.integerValue("number").status, DefaultsValue<std::int64_t>::Status::wrongType);
  EXPECT_EQ(store.integerValue("spaced").status, DefaultsValue<std::int64_t>::Status::wrongType);
  EXPECT_EQ(store.integerValue("trailing").status, DefaultsValue<std::int64_t>::Status::wrongType);
  EXPECT_EQ(store.integerValue("overflow").status, DefaultsValue<std::int64_t>::Status::wrongType);
  EXPECT_EQ(store.dataValue("text").status, DefaultsValue<std::string>::Status::wrongType);
  EXPECT_EQ(store.stringValue("list").status, DefaultsValue<std::string>::Status::wrongType);
  EXPECT_EQ(store.boolValue("missing").status, DefaultsValue<bool>::Status::absent);
  EXPECT_EQ(store.stringValue("missing").status, DefaultsValue<std::string>::Status::absent);
}

TEST_F(QSettingsDefaultsStoreTest, TypesReadTheSameBeforeAndAfterARestart) {
  // INI keeps text only, so a value's text decides its type. What matters is that a run reads
  // exactly what the next run will read, and that data never passes for text or the reverse.
  QSettingsDefaultsStore store(iniPath);
  store.setString("word", "true");
  store.setInteger("count", 7);
  store.setData("blob", "true");
  store.setBool("flag", true);
  const auto expectTextTypes = [](const DefaultsStore& s) {
    EXPECT_EQ(s.boolValue("word").value, true);
    EXPECT_EQ(s.stringValue("count").value, "7");
    EXPECT_EQ(s.boolValue("count").status, DefaultsValue<bool>::Status::wrongType);
    EXPECT_EQ(s.stringValue("flag").value, "true");
    EXPECT_EQ(s.integerValue("flag").status, DefaultsValue<std::int64_t>::Status::wrongType);
    EXPECT_EQ(s.stringValue("blob").status, DefaultsValue<std::string>::Status::wrongType);
    EXPECT_EQ(s.boolValue("blob").status, DefaultsValue<bool>::Status::wrongType);
    EXPECT_EQ(s.dataValue("word").status, DefaultsValue<std::string>::Status::wrongType);
  };
  {
    SCOPED_TRACE("this run");
    expectTextTypes(store);
  }
  {
    SCOPED_TRACE("next run");
    expectTextTypes(reopened());
  }
}

}  // namespace
}  // namespace brindlecap
