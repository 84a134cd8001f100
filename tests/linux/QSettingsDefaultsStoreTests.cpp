#include "platform/linux/QSettingsDefaultsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/FakeEnvironment.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

namespace fs = std::filesystem;

template <class T>
std::string statusOf(const DefaultsValue<T>& value) {
  using Status = typename DefaultsValue<T>::Status;
  return value.status == Status::present  ? "present"
         : value.status == Status::absent ? "absent"
                                          : "wrongType";
}

class QSettingsDefaultsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment.variables = {{"XDG_CONFIG_HOME", root.string()}, {"HOME", "/nonexistent"}};
    iniPath = QSettingsDefaultsStore::defaultPath(environment);
  }
  // What the next run of the application sees.
  QSettingsDefaultsStore reopened() const { return QSettingsDefaultsStore(iniPath); }

  testing::TemporaryDirectory temporary;
  const fs::path root = temporary.path();
  testing::FakeEnvironment environment;
  std::string iniPath;
};

TEST_F(QSettingsDefaultsStoreTest, EveryTypeReadsTheSameInThisRunAndTheNextAndAsItsTextSpells) {
  const std::vector<std::pair<std::string, std::string>> strings = {
      {"settings.plain", "banner"},
      {"settings.tricky", "a, b; \"c\" = @d\\e"},
      {"settings.empty", ""},
      {"settings.последний", "Таймер «чай» — ёжик"}};
  const std::vector<std::pair<std::string, std::string>> data = {
      {"settings.globalShortcut", "{\"keyCode\":46,\"modifiers\":[\"control\",\"option\"]}"},
      {"settings.binary", std::string("\x00\x01\xff\"@ByteArray(x)\n", 18)},
      {"blob", "true"}};
  QSettingsDefaultsStore store(iniPath);
  store.setBool("flag", true);
  store.setBool("settings.hasCompletedOnboarding", false);
  store.setInteger("count", -42);
  store.setInteger("settings.huge", INT64_MAX);
  store.setString("word", "true");
  for (const auto& [key, value] : strings) store.setString(key, value);
  for (const auto& [key, value] : data) store.setData(key, value);
  ASSERT_TRUE(fs::exists(iniPath)) << "written through at once";

  // INI keeps text only, so a value's text decides its type. What matters is that a run reads
  // exactly what the next run will read, and that data never passes for text or the reverse.
  const auto next = reopened();
  for (const DefaultsStore* s : std::initializer_list<const DefaultsStore*>{&store, &next}) {
    SCOPED_TRACE(s == &store ? "this run" : "next run");
    EXPECT_EQ(s->boolValue("flag").value, true);
    EXPECT_EQ(statusOf(s->boolValue("settings.hasCompletedOnboarding")), "present");
    EXPECT_EQ(s->boolValue("settings.hasCompletedOnboarding").value, false);
    EXPECT_EQ(s->integerValue("count").value, -42);
    EXPECT_EQ(s->integerValue("settings.huge").value, INT64_MAX);
    for (const auto& [key, value] : strings) {
      EXPECT_EQ(statusOf(s->stringValue(key)), "present") << key;
      EXPECT_EQ(s->stringValue(key).value, value) << key;
    }
    for (const auto& [key, value] : data) EXPECT_EQ(s->dataValue(key).value, value) << key;
    EXPECT_EQ(s->boolValue("word").value, true);
    EXPECT_EQ(s->stringValue("count").value, "-42");
    EXPECT_EQ(s->stringValue("flag").value, "true");
    EXPECT_EQ(statusOf(s->boolValue("count")), "wrongType");
    EXPECT_EQ(statusOf(s->integerValue("flag")), "wrongType");
    EXPECT_EQ(statusOf(s->stringValue("blob")), "wrongType");
    EXPECT_EQ(statusOf(s->boolValue("blob")), "wrongType");
    EXPECT_EQ(statusOf(s->dataValue("word")), "wrongType");
  }

  // Edited by hand, a value reads only as the type its text spells.
  std::ofstream(iniPath) << "[General]\nflag=yes\nnumber=abc\nspaced=\" 12\"\ntrailing=12x\n"
                            "overflow=9223372036854775808\ntext=hello\nlist=a, b\n";
  const auto edited = reopened();
  for (const char* key : {"number", "spaced", "trailing", "overflow"})
    EXPECT_EQ(statusOf(edited.integerValue(key)), "wrongType") << key;
  EXPECT_EQ(statusOf(edited.boolValue("flag")), "wrongType");
  EXPECT_EQ(statusOf(edited.dataValue("text")), "wrongType");
  EXPECT_EQ(statusOf(edited.stringValue("list")), "wrongType");
  EXPECT_EQ(statusOf(edited.boolValue("missing")), "absent");
  EXPECT_EQ(statusOf(edited.stringValue("missing")), "absent");
}

}  // namespace
}  // namespace brindlecap
