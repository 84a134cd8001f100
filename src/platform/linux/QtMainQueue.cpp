#include "platform/linux/QtMainQueue.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace brindlecap {

namespace {

// Below this a timer keeps millisecond precision, so a once-a-second countdown never shows a
// second twice or skips one; longer ones may be batched with other wake-ups (5 % slack).
constexpr double kPreciseBelowSeconds = 2.0;

int toMilliseconds(double seconds, int minimum) {
  if (!(seconds > 0)) return minimum;  // also NaN
  const double ms = std::round(seconds * 1000.0);
  if (ms >= static_cast<double>(INT_MAX)) return INT_MAX;
  return std::max(minimum, static_cast<int>(ms));
}

class TimerWork : public ScheduledWork {
 public:
  explicit TimerWork(QTimer* timer) : timer_(timer) {}
  ~TimerWork() override { cancel(); }

  void cancel() override {
    // The timer may be emitting right now (cancel from inside its own callback), so it is only
    // stopped here and deleted once control is back in the event loop. A null pointer means the
    // queue, and with it the timer, is already gone.
    if (QTimer* timer = timer_.data()) {
      timer->stop();
      timer->deleteLater();
    }
    timer_.clear();
  }

 private:
  QPointer<QTimer> timer_;
};

}  // namespace

QtMainQueue::QtMainQueue() : context_(std::make_unique<QObject>()) {}

// Deleting the context deletes its timers and discards the async work still posted to it.
QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::async(std::function<void()> work) {
  // Posting an event is thread-safe; the context lives on the main thread, so the work runs there.
  QMetaObject::invokeMethod(
      context_.get(), [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

WorkHandle QtMainQueue::after(double delaySeconds, std::function<void()> work) {
  return schedule(delaySeconds, false, std::move(work));
}

WorkHandle QtMainQueue::every(double intervalSeconds, std::function<void()> work) {
  return schedule(intervalSeconds, true, std::move(work));
}

WorkHandle QtMainQueue::schedule(double seconds, bool repeats, std::function<void()> work) {
  auto* timer = new QTimer(context_.get());
  timer->setSingleShot(!repeats);
  timer->setTimerType(seconds < kPreciseBelowSeconds ? Qt::PreciseTimer : Qt::CoarseTimer);
  // A zero interval would make a repeating timer spin the loop.
  timer->setInterval(toMilliseconds(seconds, repeats ? 1 : 0));

  // Shared so the callback stays alive for the whole call even if it cancels its own timer.
  auto shared = std::make_shared<std::function<void()>>(std::move(work));
  QObject::connect(timer, &QTimer::timeout, timer, [timer, repeats, shared] {
    auto keepAlive = shared;
    if (!repeats) timer->deleteLater();
    (*keepAlive)();
  });
  timer->start();
  return WorkHandle(std::make_unique<TimerWork>(timer));
}

}  // namespace brindlecap
