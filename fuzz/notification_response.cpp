// A notification response whose payload is any JSON (the input after its first byte, which picks
// the action), handed to the notification manager wired to a timer store as the application does:
// the response completes once, the timer is never lost or moved to a time that is not a number,
// the file stays readable, and one firing is snoozed at most once however often it is answered.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "FuzzCheck.h"
#include "reminders/NotificationManager.h"
#include "settings/AppSettingsStore.h"
#include "support/FakeEnvironment.h"
#include "support/FakeLoginItems.h"
#include "support/FakeNotificationCenter.h"
#include "support/InMemoryDefaultsStore.h"
#include "support/InMemoryFileSystem.h"
#include "support/VirtualTime.h"
#include "timers/TimerStore.h"

using namespace brindlecap;
using namespace brindlecap::testing;

namespace {

struct World {
  VirtualTime time;
  FakeNotificationCenter center;
  InMemoryDefaultsStore defaults;
  FakeLoginItems loginItems;
  FakeEnvironment environment;
  RecordingDiagnosticOutput output;
  std::shared_ptr<AppSettingsStore> settings =
      std::make_shared<AppSettingsStore>(defaults, loginItems, time);
  Diagnostics diagnostics{environment, output};
};

const char* const kActions[] = {NotificationManager::kQuickSnoozeActionIdentifier,
                                NotificationResponse::kDefaultActionIdentifier,
                                NotificationResponse::kDismissActionIdentifier, "other"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  World world;
  // A timer with a known id, so payloads in the corpus can name it.
  const TimerItem timer{*Uuid::parse("6F9619FF-8B86-D011-B42D-00C04FC964FF"),
                        "Чай",
                        world.time.now(),
                        world.time.now() + 300,
                        {},
                        {},
                        {}};
  InMemoryFileSystem files;
  files.files[TimerStore::defaultFileURL(files)] = encodeTimerItems({timer});
  TimerStore store(world.time, world.time, files);
  auto manager = NotificationManager::create(world.center, world.settings, world.time, world.time,
                                             world.diagnostics);
  manager->configure();
  int snoozesTaken = 0;
  manager->onSnooze = [&](const Uuid& id, TimePoint occurrence, double seconds) {
    FUZZ_CHECK(std::isfinite(occurrence) && seconds > 0);
    snoozesTaken += store.snooze(id, occurrence, seconds, world.time.now());
  };
  manager->onDismiss = [](const Uuid&, TimePoint occurrence) {
    FUZZ_CHECK(std::isfinite(occurrence));
  };

  const std::string payload(reinterpret_cast<const char*>(data) + 1, size - 1);
  NotificationResponse response{kActions[data[0] % 4], timer.id.toString(), {}};
  response.content.userInfo = nlohmann::json::parse(payload, nullptr, false);
  if (response.content.userInfo.is_discarded()) {
    // Not JSON: the bytes become the id of an otherwise well-formed payload.
    response.content.userInfo = {
        {NotificationManager::kTimerIdKey, payload},
        {NotificationManager::kFireDateKey, unixFromTimePoint(timer.fireDate)}};
  }
  const int completionsBefore = world.center.responseCompletions;
  for (int answer = 0; answer < 2; ++answer) {
    world.center.respond(response);
    world.time.runPending();
  }
  FUZZ_CHECK(world.center.responseCompletions == completionsBefore + 2);
  FUZZ_CHECK(snoozesTaken <= 1);
  FUZZ_CHECK(store.items->size() == 1 && std::isfinite(store.items->front().fireDate));
  const auto saved = decodeTimerItems(files.files.at(store.fileURL()));
  FUZZ_CHECK(saved && *saved == store.items.value());
  return 0;
}
