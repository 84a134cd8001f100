#include "platform/linux/TimerFdAlarm.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>

namespace brindlecap {

struct TimerFdAlarm::State {
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  QTimer fallback;  // only without a timerfd
  std::uint64_t generation = 0;
  std::function<void()> work;

  void disarm() {
    work = nullptr;
    ++generation;
    if (fd >= 0) {
      const itimerspec off{};
      timerfd_settime(fd, 0, &off, nullptr);
    }
    fallback.stop();
  }

  void fire() {
    auto current = std::move(work);
    disarm();
    if (current) current();
  }
};

namespace {

class AlarmRequest : public ScheduledWork {
 public:
  AlarmRequest(std::weak_ptr<TimerFdAlarm::State> state, std::uint64_t generation)
      : state_(std::move(state)), generation_(generation) {}
  ~AlarmRequest() override { cancel(); }
  void cancel() override {
    if (auto state = state_.lock(); state && state->generation == generation_) state->disarm();
    state_.reset();
  }

 private:
  std::weak_ptr<TimerFdAlarm::State> state_;
  std::uint64_t generation_;
};

}  // namespace

TimerFdAlarm::TimerFdAlarm() : state_(std::make_shared<State>()) {
  state_->fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
  state_->fallback.setSingleShot(true);
  state_->fallback.setTimerType(Qt::PreciseTimer);
  State* state = state_.get();
  QObject::connect(&state_->fallback, &QTimer::timeout, [state] { state->fire(); });
  if (state_->fd < 0) return;
  state_->notifier = std::make_unique<QSocketNotifier>(state_->fd, QSocketNotifier::Read);
  QObject::connect(state_->notifier.get(), &QSocketNotifier::activated, [state] {
    std::uint64_t expirations = 0;
    // ECANCELED: the clock was set (or the machine resumed); the owner plans again either way.
    if (read(state->fd, &expirations, sizeof expirations) < 0 && errno != ECANCELED) return;
    state->fire();
  });
}

TimerFdAlarm::~TimerFdAlarm() {
  state_->disarm();
  state_->notifier.reset();
  if (state_->fd >= 0) close(state_->fd);
  state_->fd = -1;
}

WorkHandle TimerFdAlarm::wakeAt(TimePoint deadline, std::function<void()> work) {
  state_->disarm();
  state_->work = std::move(work);
  const std::uint64_t generation = state_->generation;
  const double unix = unixFromTimePoint(deadline);
  if (state_->fd >= 0 && std::isfinite(unix)) {
    // Rounded up, so the clock read when it fires is never short of the deadline; a zero value
    // would disarm instead.
    itimerspec at{};
    const double seconds = std::floor(std::max(unix, 0.0));
    at.it_value.tv_sec = static_cast<time_t>(seconds);
    at.it_value.tv_nsec =
        std::min(static_cast<long>(std::ceil((unix - seconds) * 1e9)) + 1, 999999999L);
    if (timerfd_settime(state_->fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &at, nullptr) == 0)
      return WorkHandle(std::make_unique<AlarmRequest>(state_, generation));
  }
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const double delay = unix - (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9);
  state_->fallback.start(static_cast<int>(std::clamp(std::ceil(delay * 1000), 0.0, 2.0e9)));
  return WorkHandle(std::make_unique<AlarmRequest>(state_, generation));
}

}  // namespace brindlecap
