#include "platform/linux/LocalSocket.h"

#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace brindlecap {

namespace {

constexpr int kBacklog = 16;
constexpr int kChunkBytes = 4096;
// Running out of descriptors leaves the pending connection queued and the listener readable;
// without a pause it would be offered again at once, forever.
constexpr int kAcceptPauseMs = 100;
constexpr int kConnectRetryMs = 50;
// An answer lists at most every timer; this only stops a runaway peer.
constexpr qsizetype kMaxAnswerBytes = 16 * 1024 * 1024;

using Clock = std::chrono::steady_clock;

bool socketAddress(const QByteArray& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  // sun_path needs room for the terminating zero that marks a path (not an abstract name).
  if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  return true;
}

int remainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// False when `deadline` passed before `events` (or an error or hang-up, which the next call on
// the socket reports) arrived.
bool waitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, remainingMs(deadline));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// A connected non-blocking socket, or -1. A full queue of pending connections is waited out; with
// `untilListening` so is a missing or refusing server.
int connectBefore(const QString& path, Clock::time_point deadline, bool untilListening) {
  sockaddr_un address;
  if (!socketAddress(QFile::encodeName(path), address)) return -1;
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    // A local stream connects at once or not at all: there is no connection in progress.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      return fd;
    }
    const int error = errno;
    ::close(fd);
    const bool worthRetrying = error == EAGAIN || error == EINTR ||
                               (untilListening && (error == ENOENT || error == ECONNREFUSED));
    const int left = remainingMs(deadline);
    if (!worthRetrying || left == 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kConnectRetryMs)));
  }
}

}  // namespace

// One accepted connection: reads the request line, asks the handler, writes the answer, closes.
class LocalSocketServer::Connection : public QObject {
 public:
  Connection(int fd, LocalSocketServer* server)
      : QObject(server),
        server_(server),
        fd_(fd),
        reader_(fd, QSocketNotifier::Read),
        writer_(fd, QSocketNotifier::Write) {
    writer_.setEnabled(false);
    idle_.setSingleShot(true);
    idle_.setInterval(server->limits_.idleTimeoutMs);
    connect(&idle_, &QTimer::timeout, this, [this] { server_->drop(this); });
    connect(&reader_, &QSocketNotifier::activated, this, [this] { readRequest(); });
    connect(&writer_, &QSocketNotifier::activated, this, [this] { writeAnswer(); });
    idle_.start();
  }
  ~Connection() override { closeSocket(); }

  void closeSocket() {
    if (fd_ < 0) return;
    // Notifiers must let go of the descriptor before it is closed and its number reused.
    reader_.setEnabled(false);
    writer_.setEnabled(false);
    idle_.stop();
    ::close(fd_);
    fd_ = -1;
  }

 private:
  void readRequest() {
    const qsizetype limit = server_->limits_.maxRequestBytes;
    char chunk[kChunkBytes];
    for (;;) {
      const ssize_t count = ::recv(fd_, chunk, sizeof chunk, 0);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      if (count <= 0) return server_->drop(this);  // gone before a whole line
      idle_.start();
      const qsizetype searchFrom = request_.size();
      request_.append(chunk, count);
      const qsizetype end = request_.indexOf('\n', searchFrom);
      if (end > limit || (end < 0 && request_.size() > limit)) return server_->drop(this);
      if (end >= 0) return answer(request_.left(end));
    }
  }

  void answer(const QByteArray& request) {
    reader_.setEnabled(false);  // one request per connection; anything after it is ignored
    QPointer<Connection> alive(this);
    std::optional<QByteArray> reply = server_->handler_(request);
    // The handler may have closed the server, and with it this connection.
    if (!alive || fd_ < 0) return;
    if (!reply) return server_->drop(this);
    answer_ = std::move(*reply) + '\n';
    writeAnswer();
  }

  void writeAnswer() {
    while (written_ < answer_.size()) {
      const ssize_t count = ::send(fd_, answer_.constData() + written_,
                                   static_cast<size_t>(answer_.size() - written_), MSG_NOSIGNAL);
      if (count >= 0) {
        written_ += count;
        idle_.start();
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        writer_.setEnabled(true);
        return;
      } else if (errno != EINTR) {
        break;  // the client left without its answer
      }
    }
    server_->drop(this);
  }

  LocalSocketServer* server_;
  int fd_;
  QSocketNotifier reader_;
  QSocketNotifier writer_;
  QTimer idle_;
  QByteArray request_;
  QByteArray answer_;
  qsizetype written_ = 0;
};

LocalSocketServer::LocalSocketServer(Handler handler, QObject* parent)
    : LocalSocketServer(std::move(handler), Limits{}, parent) {}

LocalSocketServer::LocalSocketServer(Handler handler, Limits limits, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), limits_(limits) {}

LocalSocketServer::~LocalSocketServer() {
  close();
}

bool LocalSocketServer::listen(const QString& path) {
  close();
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un address;
  if (!socketAddress(name, address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return false;
  }
  // The file is ours from here on. 0600: only this user may connect; the folder holding it is
  // private as well, so the moment between bind and chmod exposes nothing.
  if (::chmod(name.constData(), 0600) != 0 || ::listen(fd, kBacklog) != 0) {
    ::close(fd);
    ::unlink(name.constData());
    return false;
  }
  path_ = name;
  listenFd_ = fd;
  listener_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(listener_, &QSocketNotifier::activated, this, &LocalSocketServer::acceptConnections);
  return true;
}

void LocalSocketServer::close() {
  while (!connections_.empty()) drop(connections_.back());
  if (listenFd_ < 0) return;
  delete listener_;
  listener_ = nullptr;
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink(path_.constData());
  path_.clear();
}

void LocalSocketServer::acceptConnections() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        listener_->setEnabled(false);
        QTimer::singleShot(kAcceptPauseMs, listener_, [this] { listener_->setEnabled(true); });
      }
      return;
    }
    // Beyond the cap a client is turned away at once rather than left waiting in the queue:
    // clients that connect and then stay silent must not pile up without end.
    if (static_cast<int>(connections_.size()) >= limits_.maxConnections) {
      ::close(fd);
      continue;
    }
    connections_.push_back(new Connection(fd, this));
  }
}

void LocalSocketServer::drop(Connection* connection) {
  const auto found = std::find(connections_.begin(), connections_.end(), connection);
  if (found == connections_.end()) return;
  connections_.erase(found);
  connection->closeSocket();
  // Later: it may be in the middle of one of its own notifications.
  connection->deleteLater();
}

namespace localsocket {

std::optional<QByteArray> exchangeLine(const QString& path, const QByteArray& request,
                                       int connectTimeoutMs, int answerTimeoutMs) {
  const Descriptor socket(
      connectBefore(path, Clock::now() + std::chrono::milliseconds(connectTimeoutMs), true));
  if (socket.get() < 0) return std::nullopt;
  const auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMs);

  const QByteArray line = request + '\n';
  qsizetype sent = 0;
  while (sent < line.size()) {
    const ssize_t count = ::send(socket.get(), line.constData() + sent,
                                 static_cast<size_t>(line.size() - sent), MSG_NOSIGNAL);
    if (count >= 0) {
      sent += count;
    } else if (errno != EINTR && (errno != EAGAIN || !waitFor(socket.get(), POLLOUT, deadline))) {
      return std::nullopt;
    }
  }

  QByteArray answer;
  char chunk[kChunkBytes];
  for (;;) {
    const ssize_t count = ::recv(socket.get(), chunk, sizeof chunk, 0);
    if (count > 0) {
      const auto* end = static_cast<const char*>(std::memchr(chunk, '\n', count));
      answer.append(chunk, end ? end - chunk : count);
      if (end) return answer;
      if (answer.size() > kMaxAnswerBytes) return std::nullopt;
    } else if (count == 0) {
      return std::nullopt;  // closed without answering
    } else if (errno != EINTR && (errno != EAGAIN || !waitFor(socket.get(), POLLIN, deadline))) {
      return std::nullopt;
    }
  }
}

bool accepts(const QString& path, int timeoutMs) {
  return Descriptor(connectBefore(path, Clock::now() + std::chrono::milliseconds(timeoutMs), false))
             .get() >= 0;
}

}  // namespace localsocket

}  // namespace brindlecap
