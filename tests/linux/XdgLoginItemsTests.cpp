#include "platform/linux/XdgLoginItems.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/FakeEnvironment.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

namespace fs = std::filesystem;

class XdgLoginItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment.variables = {{"XDG_CONFIG_HOME", (root / "config").string()}};
    entryPath = XdgLoginItems::defaultEntryPath(environment);
  }
  void writeEntry(const std::string& text) const { std::ofstream(entryPath) << text; }

  testing::TemporaryDirectory temporary;
  const fs::path root = temporary.path();
  testing::FakeEnvironment environment;
  std::string entryPath;
};

TEST_F(XdgLoginItemsTest, RegisterWritesAQuotedEnabledEntryAndUnregisterRemovesIt) {
  EXPECT_EQ(entryPath, (root / "config/autostart/org.brindlecap.Brindlecap.desktop").string());
  XdgLoginItems items(entryPath, "/usr/bin/brindlecap");
  EXPECT_FALSE(items.isEnabled());
  EXPECT_EQ(items.registerItem(), std::nullopt);
  EXPECT_TRUE(items.isEnabled());
  std::ifstream in(entryPath);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  for (const char* line :
       {"\nType=Application\n", "\nName=Brindlecap\n", "\nExec=/usr/bin/brindlecap\n",
        "\nIcon=org.brindlecap.Brindlecap\n", "\nX-GNOME-Autostart-enabled=true\n", "\nComment="}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }

  // Hidden or disabled entries do not count, and registering again turns them back on.
  const std::pair<const char*, bool> entries[] = {
      {"[Desktop Entry]\nType=Application\nHidden = TRUE \nExec=brindlecap\n", false},
      {"[Desktop Entry]\nExec=brindlecap\nX-GNOME-Autostart-enabled=false\n", false},
      // Only the main group speaks for the entry.
      {"[Desktop Entry]\nExec=brindlecap\nHidden=false\n[Desktop Action x]\nHidden=true\n", true}};
  for (const auto& [entry, enabled] : entries) {
    writeEntry(entry);
    EXPECT_EQ(items.isEnabled(), enabled) << entry;
  }
  writeEntry("[Desktop Entry]\nHidden=true\n");
  ASSERT_EQ(items.registerItem(), std::nullopt);
  EXPECT_TRUE(items.isEnabled());

  EXPECT_EQ(items.unregisterItem(), std::nullopt);
  EXPECT_FALSE(fs::exists(entryPath));
  EXPECT_FALSE(items.isEnabled());
  EXPECT_EQ(items.unregisterItem(), std::nullopt);  // already gone is fine

  // Reserved characters force quotes; inside, $ takes a backslash, and every backslash is then
  // doubled by the value escaping, while % is doubled so it is not a field code.
  const std::pair<const char*, const char*> quoted[] = {
      {"/opt/My Apps/brind$cap", "\nExec=\"/opt/My Apps/brind\\\\$cap\"\n"},
      {"/opt/100%/brindlecap", "\nExec=/opt/100%%/brindlecap\n"},
      {"/opt/a\"b", "\nExec=\"/opt/a\\\\\"b\"\n"}};
  for (const auto& [program, exec] : quoted)
    EXPECT_NE(XdgLoginItems::entryContents(program).find(exec), std::string::npos) << program;
}

TEST_F(XdgLoginItemsTest, FailuresComeWithAReadableReason) {
  fs::create_directories(root / "config");
  std::ofstream(root / "config/autostart") << "not a folder";
  XdgLoginItems items(entryPath, "/usr/bin/brindlecap");
  const auto registerError = items.registerItem();
  ASSERT_TRUE(registerError.has_value());
  EXPECT_FALSE(registerError->empty());
  EXPECT_FALSE(items.isEnabled());

  // A folder where the entry should be cannot be unlinked.
  fs::remove(root / "config/autostart");
  fs::create_directories(fs::path(entryPath) / "inside");
  EXPECT_FALSE(items.isEnabled());
  EXPECT_TRUE(items.registerItem().has_value());
  const auto unregisterError = items.unregisterItem();
  ASSERT_TRUE(unregisterError.has_value());
  EXPECT_FALSE(unregisterError->empty());
}

}  // namespace
}  // namespace brindlecap
