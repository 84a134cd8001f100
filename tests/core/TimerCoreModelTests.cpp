// Random sessions of the whole core (store, both reminders, the remote control) in virtual time,
// checked after every step against a small model of what the user was promised: the timers that
// exist and their fire dates, each firing announced exactly once (or never, when it moved or went
// first), nothing lost across restarts, and a timers file that always reads back.
// BRINDLECAP_MODEL_SEQUENCES=<n> runs more sessions; BRINDLECAP_MODEL_SEED=<n> picks other ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <utility>

#include "app/AppDelegate.h"
#include "app/AppRemoteControl.h"
#include "support/FakeAppPlatform.h"

namespace brindlecap {
namespace {

using namespace testing;

enum class Op {
  add,
  addFromCommandLine,
  postpone,
  extendFromCommandLine,
  snoozeFromBanner,
  snoozeFromNotification,
  dismissNotification,
  snoozeFromCommandLine,
  remove,
  removeFromCommandLine,
  hostileCommandLine,
  tick,
  clockBack,
  clockForward,
  suspend,
  restart,
  count
};
constexpr const char* kOpNames[] = {"add",
                                    "addFromCommandLine",
                                    "postpone",
                                    "extendFromCommandLine",
                                    "snoozeFromBanner",
                                    "snoozeFromNotification",
                                    "dismissNotification",
                                    "snoozeFromCommandLine",
                                    "remove",
                                    "removeFromCommandLine",
                                    "hostileCommandLine",
                                    "tick",
                                    "clockBack",
                                    "clockForward",
                                    "suspend",
                                    "restart"};

// `pick` chooses the timer or notification, `amount` the seconds.
struct Step {
  Op op;
  std::uint32_t pick;
  std::uint32_t amount;
};
using Steps = std::vector<Step>;

std::string listing(const Steps& steps) {
  std::ostringstream out;
  for (const Step& step : steps)
    out << "  {Op::" << kOpNames[static_cast<int>(step.op)] << ", " << step.pick << ", "
        << step.amount << "},\n";
  return out.str();
}

// What the model knows of one timer: its fire date, and whether the app's clock has passed it
// (so it must be announced) and whether it was.
struct Expected {
  TimePoint fireDate = 0;
  enum class Firing { ahead, due, announced, optional } firing = Firing::ahead;
};

class Session : FakeAppPlatform {
 public:
  Session() {
    launch();
    app_->settings()->setReminderPresentation(ReminderPresentation::both);
  }
  ~Session() { shutDown(); }

  // The first broken promise after `step`, or nothing.
  std::string run(const Step& step) {
    act(step);
    time.runPending();
    if (bannerPanel.isFading()) bannerPanel.finishFade();
    return check();
  }

 private:
  void launch() {
    AppPlatform platform = FakeAppPlatform::platform([] {});
    platform.wallClockAlarm = &time;
    app_ = std::make_unique<AppDelegate>(platform);
    app_->applicationDidFinishLaunching();
    remote_ = std::make_unique<AppRemoteControl>(*app_, time, time, [] {});
    TimerStore& store = *app_->store();
    // Watch every announcement and every move of the app's clock.
    auto announce = store.onTimerFinished;
    store.onTimerFinished = [this, announce](const TimerItem& item) {
      announced_.emplace_back(item.id.toString(), item.fireDate);
      // The notification of that firing is what the user may answer later, maybe twice.
      if (const auto request = center.pending.find(item.id.toString());
          request != center.pending.end()) {
        shownNotifications_.push_back(request->second.content);
        center.deliver(item.id.toString());
      }
      if (announce) announce(item);
    };
    clockSeen_ = store.now.value();
    nowSubscription_ = store.now.subscribe(
        [this](const TimePoint& now) {
          for (auto& [id, timer] : model_) {
            if (timer.firing == Expected::Firing::ahead && timer.fireDate > clockSeen_ &&
                timer.fireDate <= now)
              timer.firing = Expected::Firing::due;
          }
          clockSeen_ = now;
        },
        Published<TimePoint>::Delivery::changesOnly);
  }

  void shutDown() {
    nowSubscription_ = {};
    app_->applicationWillTerminate();
    remote_.reset();
    app_.reset();
  }

  TimerStore& store() { return *app_->store(); }
  // A model timer chosen by `pick`, or a made-up id now and then.
  std::string timerId(std::uint32_t pick) const {
    if (model_.empty() || pick % 8 == 0) return "8F2A2D3E-0000-4000-8000-000000000000";
    auto it = model_.begin();
    std::advance(it, pick % model_.size());
    return it->first;
  }
  void move(const std::string& id, TimePoint fireDate) {
    model_[id] = Expected{fireDate, Expected::Firing::ahead};
  }
  // A reminder's snooze of the firing at `occurrence`: only while it is still the timer's.
  void snoozeOccurrence(const std::string& id, TimePoint occurrence, double seconds) {
    const auto timer = model_.find(id);
    if (timer != model_.end() && std::abs(timer->second.fireDate - occurrence) < 0.5)
      move(id, time.now() + seconds);
  }
  double quickSnooze() const { return seconds(app_->settings()->quickSnoozeInterval.value()); }

  void act(const Step& step) {
    const double amount = step.amount;
    const std::string id = timerId(step.pick);
    const Uuid uuid = *Uuid::parse(id);
    const bool exists = model_.count(id) > 0;
    switch (step.op) {
      case Op::add: {
        const TimePoint fireDate = time.now() + 1 + std::fmod(amount, 5400) / 3;
        const TimerItem item = store().add("Чай", fireDate);
        move(item.id.toString(), fireDate);
        break;
      }
      case Op::addFromCommandLine: {
        const double seconds = 1 + std::fmod(amount, 7200);
        const auto added = remote_->addTimer(seconds, "Созвон");
        if (added.ok()) move(added.value(), time.now() + seconds);
        problem_ = added.ok() ? "" : "a valid add was refused: " + added.failure().message;
        break;
      }
      case Op::postpone:
      case Op::extendFromCommandLine: {
        const double seconds = 60 * (1 + step.amount % 15);
        if (step.op == Op::postpone) {
          store().postpone(uuid, seconds);
        } else if (remote_->extendTimer(id, seconds).ok() != exists) {
          problem_ = "extend answered wrongly for " + id;
        }
        if (exists) move(id, std::max(clockSeen_, model_[id].fireDate) + seconds);
        break;
      }
      case Op::snoozeFromBanner:
        if (const auto& banner = app_->completionBannerController();
            bannerPanel.visible && banner->currentItem()) {
          const TimerItem shown = *banner->currentItem();
          bannerPanel.clickQuickSnooze();
          snoozeOccurrence(shown.id.toString(), shown.fireDate, quickSnooze());
        }
        break;
      case Op::snoozeFromNotification:
      case Op::dismissNotification: {
        if (shownNotifications_.empty()) break;
        const auto content = shownNotifications_[step.pick % shownNotifications_.size()];
        const bool snooze = step.op == Op::snoozeFromNotification;
        const auto timer = content.userInfo[NotificationManager::kTimerIdKey].get<std::string>();
        center.respond(NotificationResponse{snooze
                                                ? NotificationManager::kQuickSnoozeActionIdentifier
                                                : NotificationResponse::kDismissActionIdentifier,
                                            timer, content});
        time.runPending();
        const double unix = content.userInfo[NotificationManager::kFireDateKey].get<double>();
        if (snooze) snoozeOccurrence(timer, timePointFromUnix(unix), quickSnooze());
        break;
      }
      case Op::snoozeFromCommandLine: {
        const double seconds = 60 * (1 + step.amount % 30);
        if (remote_->snoozeTimer(id, seconds).ok() != exists)
          problem_ = "snooze answered wrongly for " + id;
        if (exists) move(id, time.now() + seconds);
        break;
      }
      case Op::remove:
      case Op::removeFromCommandLine:
        if (step.op == Op::remove) {
          store().remove(uuid);
        } else if (remote_->removeTimer(id).ok() != exists) {
          problem_ = "remove answered wrongly for " + id;
        }
        model_.erase(id);
        break;
      case Op::hostileCommandLine: {
        // What no user could mean is refused, whatever state the session is in.
        const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), -60, 0.5, 8 * 86400.0};
        const double seconds = bad[step.amount % 5];
        if (remote_->addTimer(seconds, "x").ok() || remote_->extendTimer(id, seconds).ok() ||
            remote_->snoozeTimer(id, seconds).ok() || remote_->removeTimer("1; rm").ok())
          problem_ = "a hostile call was accepted";
        break;
      }
      case Op::tick:
        time.advance(TimerStore::kSaveWindow + std::fmod(amount, 600) / 4);
        settled_ = true;
        break;
      // The store hears of a clock change at once (its wall alarm), before anything else happens.
      case Op::clockBack:
        time.setWallClock(time.now() - (step.amount % 2 ? 3600 : std::fmod(amount, 7200)));
        time.advance(0);
        break;
      case Op::clockForward:
        time.setWallClock(time.now() + (step.amount % 2 ? 86400 : std::fmod(amount, 7200)));
        time.advance(0);
        break;
      case Op::suspend:
        // The wall clock moves on while the monotonic clock (and the ticker) stands still.
        time.setWallClock(time.now() + 60 + std::fmod(amount, 7200));
        time.advance(1);
        settled_ = true;
        break;
      case Op::restart: {
        shutDown();
        shownNotifications_.clear();
        // What fell due between the last tick and the stop is the launch's to announce, once.
        for (auto& [timerId, timer] : model_)
          if (timer.firing == Expected::Firing::ahead && timer.fireDate <= time.now())
            timer.firing = Expected::Firing::optional;
        std::erase_if(model_, [this](const auto& entry) {
          return entry.second.fireDate < time.now() - TimerStore::kPruneAge;
        });
        launch();
        settled_ = true;
        break;
      }
      case Op::count:
        break;
    }
  }

  std::string check() {
    if (!problem_.empty()) return std::exchange(problem_, {});
    for (const auto& [id, fireDate] : std::exchange(announced_, {})) {
      const auto timer = model_.find(id);
      if (timer == model_.end()) return "a removed timer was announced: " + id;
      if (timer->second.fireDate != fireDate)
        return "an announcement named a fire date the timer no longer has: " + id;
      if (timer->second.firing == Expected::Firing::announced) return "announced twice: " + id;
      if (timer->second.firing == Expected::Firing::ahead)
        return "announced before the clock reached it: " + id;
      timer->second.firing = Expected::Firing::announced;
    }
    for (const auto& [id, timer] : model_)
      if (timer.firing == Expected::Firing::due) return "never announced: " + id;

    std::map<std::string, TimePoint> stored;
    for (const TimerItem& item : store().items.value()) stored[item.id.toString()] = item.fireDate;
    if (stored.size() != store().items->size()) return "two timers share an id";
    std::map<std::string, TimePoint> expected;
    for (const auto& [id, timer] : model_) expected[id] = timer.fireDate;
    if (stored != expected) return "the store's timers differ from the model's";

    std::vector<std::string> active;
    for (const TimerItem& item : store().activeItems()) active.push_back(item.id.toString());
    std::vector<std::string> listed;
    const auto list = remote_->listTimers();
    for (const RemoteTimer& timer : list.value()) listed.push_back(timer.id);
    if (active != listed) return "the command line lists other timers than the list";
    std::size_t activeInModel = 0;
    for (const auto& [id, timer] : model_) activeInModel += timer.fireDate > clockSeen_;
    if (active.size() != activeInModel) return "the active set differs from the model's";

    const auto saved = decodeTimerItems(files.files[store().fileURL()]);
    if (!saved) return "the timers file does not read back";
    // Changes in a burst may wait for the end of the store's save window.
    if (std::exchange(settled_, false) && *saved != store().items.value())
      return "the timers file lags behind the store";
    return {};
  }

  std::unique_ptr<AppDelegate> app_;
  std::unique_ptr<AppRemoteControl> remote_;
  Subscription nowSubscription_;

  std::map<std::string, Expected> model_;
  TimePoint clockSeen_ = 0;  // the app's clock at its last tick
  std::vector<std::pair<std::string, TimePoint>> announced_;
  std::vector<NotificationContent> shownNotifications_;
  std::string problem_;
  bool settled_ = false;  // time enough passed for every change to be written
};

// The index of the step that broke a promise and what broke, or nothing.
std::optional<std::pair<std::size_t, std::string>> firstFailure(const Steps& steps) {
  Session session;
  for (std::size_t i = 0; i < steps.size(); ++i)
    if (auto problem = session.run(steps[i]); !problem.empty()) return std::pair{i, problem};
  return std::nullopt;
}

// Drops steps (halves, then ever smaller runs, then single ones) while the sequence still fails.
Steps shrink(Steps steps) {
  for (std::size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
    for (std::size_t start = 0; start + chunk <= steps.size();) {
      Steps shorter = steps;
      shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(start),
                    shorter.begin() + static_cast<std::ptrdiff_t>(start + chunk));
      if (firstFailure(shorter)) {
        steps = std::move(shorter);
      } else {
        start += chunk;
      }
    }
  }
  return steps;
}

Steps randomSteps(std::uint32_t seed) {
  std::mt19937 random(seed);
  // Ticks and adds come most often, so sessions hold timers that really fall due.
  std::discrete_distribution<int> op({6, 3, 2, 2, 3, 3, 1, 1, 1, 1, 1, 8, 1, 1, 1, 1});
  Steps steps(20 + random() % 40);
  for (Step& step : steps)
    step = {static_cast<Op>(op(random)), static_cast<std::uint32_t>(random()),
            static_cast<std::uint32_t>(random())};
  return steps;
}

std::uint32_t fromEnvironment(const char* name, std::uint32_t fallback) {
  const char* value = std::getenv(name);
  return value ? static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10)) : fallback;
}

// Sequences random sessions once broke, shrunk.
TEST(TimerCoreModel, SessionsThatOnceFailedStayFixed) {
  const std::vector<Steps> found = {
      // A timer that fired before a restart fired again when the clock went back and forward.
      {{Op::add, 4189473411, 1119987324},
       {Op::suspend, 1346726841, 1883873290},
       {Op::restart, 441617923, 1513078394},
       {Op::clockBack, 3449309546, 3361829203},
       {Op::tick, 2075388237, 2452731374},
       {Op::suspend, 3956016089, 1919171215}},
      // A timer set after the clock went back, before the next tick, was taken as announced by
      // the next start and never fired.
      {{Op::clockBack, 3395950673, 617611350},
       {Op::add, 2252372674, 2042581499},
       {Op::restart, 1576994308, 1970185534},
       {Op::suspend, 3497850231, 3226957592}},
  };
  for (const Steps& steps : found) {
    const auto failure = firstFailure(steps);
    EXPECT_FALSE(failure) << failure->second << " after\n" << listing(steps);
  }
}

TEST(TimerCoreModel, RandomSessionsKeepEveryPromise) {
  const std::uint32_t sequences = fromEnvironment("BRINDLECAP_MODEL_SEQUENCES", 300);
  const std::uint32_t firstSeed = fromEnvironment("BRINDLECAP_MODEL_SEED", 1);
  for (std::uint32_t seed = firstSeed; seed < firstSeed + sequences; ++seed) {
    const Steps steps = randomSteps(seed);
    if (const auto failure = firstFailure(steps)) {
      const Steps shrunk = shrink(Steps(steps.begin(), steps.begin() + failure->first + 1));
      FAIL() << "seed " << seed << ": " << firstFailure(shrunk)->second << " after\n"
             << listing(shrunk);
    }
  }
}

}  // namespace
}  // namespace brindlecap
