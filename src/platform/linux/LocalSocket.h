#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QSocketNotifier;

namespace brindlecap {

// Both ends of a one-line exchange over an AF_UNIX stream socket: the client sends one request
// line, the server answers with at most one line and closes the connection.

// The serving end, on the event loop of the thread that made it.
class LocalSocketServer : public QObject {
 public:
  struct Limits {
    int maxConnections = 32;    // connections beyond this are closed as they arrive
    int idleTimeoutMs = 10000;  // a connection neither sending nor taking data this long is closed
    int maxRequestBytes = 16384;  // a longer request line (without its break) is refused
  };
  // Gets a request without its line break; returns the answer (one line break is added), or
  // nothing to close the connection unanswered.
  using Handler = std::function<std::optional<QByteArray>(const QByteArray& request)>;

  explicit LocalSocketServer(Handler handler, QObject* parent = nullptr);
  LocalSocketServer(Handler handler, Limits limits, QObject* parent = nullptr);
  ~LocalSocketServer() override;

  LocalSocketServer(const LocalSocketServer&) = delete;
  LocalSocketServer& operator=(const LocalSocketServer&) = delete;

  // Creates the socket file at `path` with mode 0600 and listens. False when something already
  // exists there (removing a stale one is the caller's decision) or the path cannot hold a socket.
  bool listen(const QString& path);
  // Stops listening, removes the socket file and drops every open connection.
  void close();
  bool isListening() const { return listenFd_ >= 0; }
  // Connections accepted and not yet closed.
  int connectionCount() const { return static_cast<int>(connections_.size()); }

 private:
  class Connection;

  void acceptConnections();
  void drop(Connection* connection);

  Handler handler_;
  Limits limits_;
  QByteArray path_;
  int listenFd_ = -1;
  QSocketNotifier* listener_ = nullptr;
  std::vector<Connection*> connections_;
};

namespace localsocket {

// Sends `request` plus a line break to the server at `path` and returns its one-line answer
// without the break; nothing when there is no answer. Blocks: for up to connectTimeoutMs it keeps
// trying to connect (a server that is still starting has no socket yet), then waits up to
// answerTimeoutMs for the answer.
std::optional<QByteArray> exchangeLine(const QString& path, const QByteArray& request,
                                       int connectTimeoutMs, int answerTimeoutMs);
// True when a server accepts connections at `path`; waits up to timeoutMs only while its queue
// of pending connections is full.
bool accepts(const QString& path, int timeoutMs);

}  // namespace localsocket

}  // namespace brindlecap
