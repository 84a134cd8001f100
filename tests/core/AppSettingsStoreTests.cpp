#include "settings/AppSettingsStore.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <tuple>

#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;
using Data = InMemoryDefaultsStore::Data;
using Value = InMemoryDefaultsStore::Value;
using Writes = std::vector<std::pair<std::string, Value>>;
using Status = NotificationAuthorizationStatus;

template <class... E>
void expectRawValuesRoundTrip() {
  auto check = []<class T>(T) {
    for (T value : allCases<T>) EXPECT_EQ(fromRawValue<T>(rawValue(value)), value);
  };
  (check(E{}), ...);
}

TEST(AppSettingsTypesTest, RawValuesRoundTripExactly) {
  expectRawValuesRoundTrip<CompletionBannerDuration, QuickSnoozeInterval, MenuBarPresentation,
                           ThreadColorPreset, ReminderPresentation>();
  // No case folding, no trimming, no narrowing of out-of-range minutes.
  EXPECT_FALSE(fromRawValue<CompletionBannerDuration>(std::string("Brief")));
  EXPECT_FALSE(fromRawValue<ThreadColorPreset>(std::string("teal ")));
  EXPECT_FALSE(fromRawValue<QuickSnoozeInterval>(std::int64_t{45}));
  EXPECT_FALSE(fromRawValue<QuickSnoozeInterval>((std::int64_t{1} << 32) + 5));
}

class AppSettingsStoreTest : public ::testing::Test, public FakeAppPlatform {
 protected:
  std::shared_ptr<AppSettingsStore> makeStore() {
    return std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  }
};

void expectDefaults(const AppSettingsStore& store) {
  EXPECT_TRUE(store.showMiniBanner.value());
  EXPECT_EQ(store.completionBannerDuration.value(), CompletionBannerDuration::standard);
  EXPECT_EQ(store.quickSnoozeInterval.value(), QuickSnoozeInterval::fifteenMinutes);
  EXPECT_TRUE(store.systemNotifications.value());
  EXPECT_TRUE(store.playSound.value());
  EXPECT_EQ(store.menuBarPresentation.value(), MenuBarPresentation::timeAndProgress);
  EXPECT_EQ(store.threadColor.value(), ThreadColorPreset::purple);
  EXPECT_EQ(store.globalShortcut.value(), (GlobalShortcut{46, 6400}));
  EXPECT_FALSE(store.hasCompletedOnboarding.value());
}

TEST_F(AppSettingsStoreTest, ReadsStoredValuesStrictlyAndNeverRewritesBadOnes) {
  auto fresh = makeStore();
  expectDefaults(*fresh);
  EXPECT_EQ(fresh->reminderPresentation(), ReminderPresentation::both);
  EXPECT_FALSE(fresh->launchAtLogin.value() || fresh->launchAtLoginError.value() ||
               fresh->globalShortcutError.value());
  EXPECT_EQ(fresh->notificationAuthorizationStatus.value(), Status::notDetermined);

  const std::vector<std::map<std::string, Value>> badStores = {
      {{"settings.showMiniBanner", std::int64_t{0}},
       {"settings.completionBannerDuration", std::int64_t{1}},
       {"settings.quickSnoozeInterval", std::string("30")},
       {"settings.systemNotifications", std::string("false")},
       {"settings.playSound", Data{"false"}},
       {"settings.menuBarPresentation", true},
       {"settings.threadColor", Data{"teal"}},
       {"settings.globalShortcut", std::string(R"({"keyCode":17,"modifiers":6400})")},
       {"settings.hasCompletedOnboarding", std::string("true")}},
      {{"settings.completionBannerDuration", std::string("Extended")},
       {"settings.quickSnoozeInterval", std::int64_t{45}},
       {"settings.menuBarPresentation", std::string("ProgressOnly")},
       {"settings.threadColor", std::string("red")},
       {"settings.globalShortcut", Data{"not json"}},
       {"settings.playSound", 1.0}},
  };
  for (const auto& values : badStores) {
    InMemoryDefaultsStore bad;
    bad.values = values;
    AppSettingsStore store(bad, loginItems, time);
    expectDefaults(store);
    EXPECT_TRUE(bad.writes.empty());
  }

  // Values the store's own writes do not read back elsewhere.
  defaults.values = {
      {"settings.showMiniBanner", false},
      {"settings.systemNotifications", false},
      {"settings.globalShortcut", Data{R"({"modifiers":6400,"keyCode":2})"}},
      {"settings.launchAtLogin", false},  // the login-item service is the truth
  };
  loginItems.enabled = true;
  auto stored = makeStore();
  EXPECT_FALSE(stored->showMiniBanner.value());
  EXPECT_EQ(stored->globalShortcut.value(), GlobalShortcut::alternatives()[2]);
  EXPECT_TRUE(stored->launchAtLogin.value());
  EXPECT_EQ(stored->reminderPresentation(), ReminderPresentation::miniBanner);  // both off
  EXPECT_TRUE(defaults.writes.empty());
}

TEST_F(AppSettingsStoreTest, SettingPublishesBeforeWritingAndWhatIsWrittenReadsBack) {
  auto store = makeStore();
  std::vector<std::string> storedBeforeNotified;
  std::vector<Subscription> subscriptions;
  auto setAndWatch = [&]<class T>(Preference<T>& preference, T value, const char* key) {
    subscriptions.push_back(preference.subscribe(
        [&, key](const T&) {
          if (defaults.values.contains(key)) storedBeforeNotified.push_back(key);
        },
        Published<T>::Delivery::changesOnly));
    preference.set(value);
  };
  setAndWatch(store->completionBannerDuration, CompletionBannerDuration::brief,
              "settings.completionBannerDuration");
  setAndWatch(store->quickSnoozeInterval, QuickSnoozeInterval::oneHour,
              "settings.quickSnoozeInterval");
  setAndWatch(store->playSound, false, "settings.playSound");
  setAndWatch(store->menuBarPresentation, MenuBarPresentation::progressOnly,
              "settings.menuBarPresentation");
  setAndWatch(store->threadColor, ThreadColorPreset::teal, "settings.threadColor");
  setAndWatch(store->globalShortcut, GlobalShortcut::alternatives()[1], "settings.globalShortcut");
  setAndWatch(store->hasCompletedOnboarding, true, "settings.hasCompletedOnboarding");
  EXPECT_TRUE(storedBeforeNotified.empty());
  EXPECT_EQ(defaults.values.at("settings.threadColor"), Value(std::string("teal")));

  // Reading is strict about kinds, so a reload also proves each key was written as its kind.
  AppSettingsStore r(defaults, loginItems, time);
  EXPECT_EQ(std::tuple(r.completionBannerDuration.value(), r.quickSnoozeInterval.value(),
                       r.playSound.value(), r.menuBarPresentation.value(), r.threadColor.value(),
                       r.globalShortcut.value(), r.hasCompletedOnboarding.value()),
            std::tuple(CompletionBannerDuration::brief, QuickSnoozeInterval::oneHour, false,
                       MenuBarPresentation::progressOnly, ThreadColorPreset::teal,
                       GlobalShortcut::alternatives()[1], true));
}

TEST_F(AppSettingsStoreTest, LaunchAtLoginFollowsTheServiceAndReportsFailures) {
  loginItems.enabled = true;
  auto store = makeStore();
  store->launchAtLoginError.set("earlier failure");
  store->setLaunchAtLogin(true);  // already enabled: nothing to change, still written
  EXPECT_EQ(loginItems.registerCalls + loginItems.unregisterCalls, 0);
  EXPECT_FALSE(store->launchAtLoginError.value());
  EXPECT_EQ(defaults.writes, (Writes{{"settings.launchAtLogin", true}}));

  defaults.writes.clear();
  loginItems.unregisterFailure = "busy";
  store->setLaunchAtLogin(false);
  EXPECT_EQ(loginItems.unregisterCalls, 1);
  EXPECT_EQ(store->launchAtLoginError.value(), "Не удалось изменить автозапуск: busy");
  EXPECT_TRUE(store->launchAtLogin.value());
  EXPECT_TRUE(defaults.writes.empty());

  loginItems.unregisterFailure.reset();
  store->setLaunchAtLogin(false);
  EXPECT_FALSE(store->launchAtLogin.value() || store->launchAtLoginError.value());
  EXPECT_EQ(defaults.writes, (Writes{{"settings.launchAtLogin", false}}));
}

TEST_F(AppSettingsStoreTest, AuthorizationStatusArrivesOnlyThroughTheMainQueue) {
  auto store = makeStore();
  std::thread([&] { store->updateNotificationAuthorizationStatus(Status::authorized); }).join();
  EXPECT_EQ(store->notificationAuthorizationStatus.value(), Status::notDetermined);
  time.runPending();
  EXPECT_EQ(store->notificationAuthorizationStatus.value(), Status::authorized);

  // Queued work neither keeps the store alive nor touches it once gone.
  store->updateNotificationAuthorizationStatus(Status::denied);
  std::weak_ptr<AppSettingsStore> weak = store;
  store.reset();
  EXPECT_TRUE(weak.expired());
  time.runPending();

  AppSettingsStore unowned(defaults, loginItems, time);
  unowned.updateNotificationAuthorizationStatus(Status::authorized);
  time.runPending();
  EXPECT_EQ(unowned.notificationAuthorizationStatus.value(), Status::notDetermined);
}

}  // namespace
}  // namespace brindlecap
