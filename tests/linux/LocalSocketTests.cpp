#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/LocalSocket.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace brindlecap {
namespace {

// A client doing what no well-behaved one does: writing in pieces, saying nothing, not reading.
class RawClient {
 public:
  explicit RawClient(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ~RawClient() { ::close(fd_); }
  int fd() const { return fd_; }

  void send(const std::string& data) {
    ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    QCoreApplication::processEvents();  // the server takes each piece on its own
  }
  // Everything the server sent, once it has closed the connection; nothing while it is open.
  std::optional<std::string> closedWith() {
    char chunk[65536];
    for (;;) {
      const ssize_t count = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
      if (count > 0) {
        received_.append(chunk, static_cast<size_t>(count));
      } else if (count == 0 || errno == ECONNRESET) {
        return received_;
      } else {
        return std::nullopt;
      }
    }
  }

 private:
  int fd_;
  std::string received_;
};

std::optional<std::string> closedWithin(RawClient& client) {
  std::optional<std::string> result;
  testing::runEventsUntil([&] { return (result = client.closedWith()).has_value(); });
  return result;
}

TEST(LocalSocketTest, AnswersOneLineAndTurnsAwayWhatWouldPileUp) {
  testing::ensureQtApplication();
  testing::TemporaryDirectory folder;
  const std::string path = folder / "patient.socket";
  const QString qpath = QString::fromStdString(path);
  const QByteArray big(1 << 20, 'x');  // more than the socket holds at once
  std::vector<QByteArray> requests;
  const auto handler = [&](const QByteArray& request) -> std::optional<QByteArray> {
    requests.push_back(request);
    if (request == "mute") return std::nullopt;
    return request == "big" ? big : "re:" + request;
  };
  LocalSocketServer server(handler,
                           {.maxConnections = 3, .idleTimeoutMs = 60000, .maxRequestBytes = 100});
  ASSERT_TRUE(server.listen(qpath));
  EXPECT_FALSE(LocalSocketServer(handler).listen(qpath)) << "a taken path is left alone";
  EXPECT_TRUE(localsocket::accepts(qpath, 1000));
  EXPECT_EQ(localsocket::exchangeLine(QString::fromStdString(folder / "none"), "x", 0, 1000),
            std::nullopt);

  // The blocking client, from another thread as from another process.
  const std::vector<std::pair<QByteArray, std::optional<QByteArray>>> exchanges{
      {"Чай", "re:Чай"}, {"big", big}, {"mute", std::nullopt}};
  for (const auto& [request, expected] : exchanges) {
    auto answer = std::async(std::launch::async, [&, request = request] {
      return localsocket::exchangeLine(qpath, request, 1000, 10000);
    });
    testing::runEventsUntil(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    EXPECT_EQ(answer.get(), expected) << request.toStdString();
  }

  // Requests in pieces are whole lines; over-long ones never reach the handler.
  const std::vector<std::pair<std::vector<std::string>, std::string>> raw{
      {{"sp", "li", "t\n", "ignored\n"}, "re:split\n"},
      {{std::string(60, 'y'), std::string(41, 'y')}, ""},
      {{std::string(101, 'y') + "\n"}, ""},
      {{std::string(100, 'z') + "\n"}, "re:" + std::string(100, 'z') + "\n"},
      {{"gone before the line ends"}, ""},
  };
  for (const auto& [writes, expected] : raw) {
    auto client = std::make_unique<RawClient>(path);
    for (const auto& piece : writes) client->send(piece);
    if (writes.back().back() != '\n') ::shutdown(client->fd(), SHUT_WR);
    EXPECT_EQ(closedWithin(*client), expected) << writes.front();
  }
  EXPECT_EQ(requests,
            (std::vector<QByteArray>{"Чай", "big", "mute", "split", QByteArray(100, 'z')}));

  // Silent clients hold every place; one more is turned away at once, and a freed place is
  // taken again.
  {
    RawClient a(path), b(path), c(path), d(path);
    EXPECT_EQ(closedWithin(d), "");
    EXPECT_EQ(server.connectionCount(), 3);
    EXPECT_EQ(a.closedWith(), std::nullopt);
  }
  EXPECT_TRUE(testing::runEventsUntil([&] { return server.connectionCount() == 0; }));
  RawClient e(path);
  e.send("again\n");
  EXPECT_EQ(closedWithin(e), "re:again\n");

  // A connection that is idle (silent, or not reading its answer) is closed.
  LocalSocketServer hasty(handler, {.maxConnections = 3, .idleTimeoutMs = 50});
  ASSERT_TRUE(hasty.listen(QString::fromStdString(folder / "hasty.socket")));
  RawClient silent(folder / "hasty.socket"), unread(folder / "hasty.socket");
  unread.send("big\n");
  EXPECT_EQ(closedWithin(silent), "");
  EXPECT_TRUE(testing::runEventsUntil([&] { return hasty.connectionCount() == 0; }));
  EXPECT_LT(closedWithin(unread).value_or(std::string(big.size(), 'x')).size(),
            static_cast<size_t>(big.size()));
}

}  // namespace
}  // namespace brindlecap
