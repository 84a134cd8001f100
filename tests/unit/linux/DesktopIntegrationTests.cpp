// The core over the real Linux services, in a Russian locale in Moscow set through the process
// environment (TZ, LANG), as a user's session would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/AppSettingsStore.h"
#include "platform/linux/IcuDateFormatter.h"
#include "platform/linux/QSettingsDefaultsStore.h"
#include "platform/linux/XdgLoginItems.h"
#include "support/FakeEnvironment.h"
#include "support/TemporaryDirectory.h"
#include "support/VirtualTime.h"
#include "timers/TimeFormatting.h"

namespace brindlecap {
namespace {

namespace fs = std::filesystem;

TEST(DesktopIntegration, FireDatesReadInTheSessionsLocaleAndZone) {
  ASSERT_STREQ(std::getenv("TZ"), "Europe/Moscow");
  IcuDateFormatter formatter;
  const TimePoint morning = timePointFromUnix(1796540400);  // 2026-12-06 10:00 in Moscow
  EXPECT_EQ(TimeFormatting::relativeFireDate(morning + 4 * 3600 + 300, morning, formatter),
            "сегодня в 14:05");
  EXPECT_EQ(TimeFormatting::relativeFireDate(morning + 14 * 3600 - 60, morning, formatter),
            "сегодня в 23:59");
  const std::string tomorrow =
      TimeFormatting::relativeFireDate(morning + 14 * 3600 + 60, morning, formatter);
  EXPECT_EQ(tomorrow.rfind("сегодня", 0), std::string::npos) << tomorrow;
  EXPECT_NE(tomorrow.find("7 дек."), std::string::npos) << tomorrow;
  EXPECT_NE(tomorrow.find("00:01"), std::string::npos) << tomorrow;
}

class SettingsOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override { environment.variables["XDG_CONFIG_HOME"] = home / "config"; }
  // A new store over the same files, as the next launch would see them.
  std::shared_ptr<AppSettingsStore> open() {
    auto& defaults = defaultsStores.emplace_back(
        std::make_unique<QSettingsDefaultsStore>(QSettingsDefaultsStore::defaultPath(environment)));
    auto& loginItems = loginItemServices.emplace_back(std::make_unique<XdgLoginItems>(
        XdgLoginItems::defaultEntryPath(environment), "/usr/bin/brindlecap"));
    return std::make_shared<AppSettingsStore>(*defaults, *loginItems, time);
  }

  testing::TemporaryDirectory home;
  testing::FakeEnvironment environment;
  testing::VirtualTime time;
  std::vector<std::unique_ptr<QSettingsDefaultsStore>> defaultsStores;
  std::vector<std::unique_ptr<XdgLoginItems>> loginItemServices;
};

TEST_F(SettingsOnDiskTest, PreferencesSurviveARestart) {
  {
    auto settings = open();
    settings->threadColor.set(ThreadColorPreset::teal);
    settings->quickSnoozeInterval.set(QuickSnoozeInterval::oneHour);
    settings->completionBannerDuration.set(CompletionBannerDuration::brief);
    settings->setReminderPresentation(ReminderPresentation::systemNotification);
    settings->globalShortcut.set(GlobalShortcut::alternatives()[2]);
    settings->hasCompletedOnboarding.set(true);
  }
  EXPECT_TRUE(fs::exists(home / "config/Brindlecap/settings.ini"));
  auto reopened = open();
  EXPECT_EQ(reopened->threadColor.value(), ThreadColorPreset::teal);
  EXPECT_EQ(reopened->quickSnoozeInterval.value(), QuickSnoozeInterval::oneHour);
  EXPECT_EQ(reopened->completionBannerDuration.value(), CompletionBannerDuration::brief);
  EXPECT_EQ(reopened->reminderPresentation(), ReminderPresentation::systemNotification);
  EXPECT_EQ(reopened->globalShortcut.value(), GlobalShortcut::alternatives()[2]);
  EXPECT_TRUE(reopened->hasCompletedOnboarding.value());
  EXPECT_TRUE(reopened->playSound.value()) << "untouched preferences keep their defaults";
}

TEST_F(SettingsOnDiskTest, LaunchAtLoginWritesTheAutostartEntryOrExplainsWhyNot) {
  auto settings = open();
  const std::string entry = home / "config/autostart/org.brindlecap.Brindlecap.desktop";
  settings->setLaunchAtLogin(true);
  EXPECT_TRUE(fs::exists(entry));
  EXPECT_TRUE(settings->launchAtLogin.value());
  EXPECT_FALSE(settings->launchAtLoginError.value());
  EXPECT_TRUE(open()->launchAtLogin.value()) << "read back from the entry, not from a flag";

  settings->setLaunchAtLogin(false);
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_FALSE(settings->launchAtLogin.value());

  // A file where the autostart folder belongs: the folder cannot be created.
  fs::remove_all(home / "config/autostart");
  std::ofstream(home / "config/autostart") << "in the way";
  settings->setLaunchAtLogin(true);
  EXPECT_FALSE(settings->launchAtLogin.value());
  ASSERT_TRUE(settings->launchAtLoginError.value());
  const std::string prefix = "Не удалось изменить автозапуск: ";
  const std::string& message = *settings->launchAtLoginError.value();
  EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
  EXPECT_GT(message.size(), prefix.size()) << "the reason follows the prefix";
}

}  // namespace
}  // namespace brindlecap
