#include "platform/linux/SignalHandling.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

namespace brindlecap {

namespace {

// The self-pipe: a signal handler may do almost nothing, but write() is async-signal-safe, and
// the read end wakes the event loop like any other socket.
int pipeFds[2] = {-1, -1};
std::function<void()>* terminateCallback = nullptr;

void onSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // Non-blocking: if the pipe is full a wake-up is already pending, and nothing is lost.
  [[maybe_unused]] auto ignored = ::write(pipeFds[1], &byte, 1);
  errno = savedErrno;
}

void drainPipe() {
  char buffer[64];
  while (::read(pipeFds[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

void installTerminationHandlers(std::function<void()> onTerminate) {
  if (terminateCallback) {
    *terminateCallback = std::move(onTerminate);
    return;
  }
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  // Lives as long as the process: a signal may arrive at any moment up to exit.
  terminateCallback = new std::function<void()>(std::move(onTerminate));

  auto* notifier =
      new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    drainPipe();
    if (*terminateCallback) (*terminateCallback)();
  });

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);

  // A closed pipe or socket (a diagnostics reader that went away) must be an error, not death.
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace brindlecap
