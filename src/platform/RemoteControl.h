#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/TimePoint.h"

namespace brindlecap {

// Why a request to the running application failed.
enum class RemoteError {
  notFound,         // no timer has that id
  invalidDuration,  // not finite, under a second or over seven days
  invalidArgument,  // an id that is not a UUID, a malformed request
  unreachable,      // no running instance answered (reported by the asking side only)
};

struct RemoteFailure {
  RemoteError error = RemoteError::unreachable;
  std::string message;  // a Russian sentence for the user
};

// A request's answer: a value, or the failure.
template <typename T>
class RemoteResult {
 public:
  RemoteResult(T value) : value_(std::move(value)) {}  // NOLINT: implicit, like a return value
  RemoteResult(RemoteFailure failure) : failure_(std::move(failure)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  const T& value() const { return *value_; }
  const RemoteFailure& failure() const { return failure_; }

 private:
  std::optional<T> value_;
  RemoteFailure failure_;
};

// The answer of a request that only succeeds or fails.
struct Done {};

// One timer as other programs see it.
struct RemoteTimer {
  std::string id;  // canonical upper-case UUID
  std::string title;
  TimePoint fireDate = 0;
  TimePoint createdAt = 0;

  friend bool operator==(const RemoteTimer&, const RemoteTimer&) = default;
};

// What other programs may ask of the running application: the command line, scripts, a key
// bound in the desktop. Implemented by the application, and on the asking side by the transports
// that reach it. Ids are text so a malformed one can be refused with a reason.
class RemoteControl {
 public:
  virtual ~RemoteControl() = default;
  // Starts a timer firing `seconds` from now (blank titles become the default); its id.
  virtual RemoteResult<std::string> addTimer(double seconds, const std::string& title) = 0;
  // The active timers, soonest first.
  virtual RemoteResult<std::vector<RemoteTimer>> listTimers() = 0;
  virtual RemoteResult<Done> removeTimer(const std::string& id) = 0;
  // The timer fires `seconds` from now, as a reminder's snooze does.
  virtual RemoteResult<Done> snoozeTimer(const std::string& id, double seconds) = 0;
  // The fire date moves `seconds` later (from now, for a finished timer), as the list's "+5".
  virtual RemoteResult<Done> extendTimer(const std::string& id, double seconds) = 0;
  // Opens the timer list, or closes it when open: what the hot key does.
  virtual RemoteResult<Done> toggleList() = 0;
  // Ends the application once the answer is out; the timers are saved on the way.
  virtual RemoteResult<Done> quit() = 0;
};

// How the asking side finds the running application.
class RemoteInstance {
 public:
  virtual ~RemoteInstance() = default;
  // The running instance, or nothing when none answers.
  virtual RemoteControl* connect() = 0;
  // Starts the application in the background and waits a bounded time until it answers; nothing
  // when it did not come up.
  virtual RemoteControl* launch() = 0;
  // After quit(): waits a bounded time until the instance is gone; false when it is still there.
  virtual bool waitUntilGone() = 0;
};

}  // namespace brindlecap
