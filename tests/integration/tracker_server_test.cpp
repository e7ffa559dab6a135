// oq-tracker over raw sockets: both request-target forms, keep-alive, and a
// malformed request answered with 400 while the server keeps serving.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "child_process.h"

namespace oq {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class Connection {
 public:
  explicit Connection(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    timeval timeout{10, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  ~Connection() { close(fd_); }
  bool connected() const { return connected_; }

  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // True once the server has closed the connection (within ten seconds);
  // whatever it sent before is dropped.
  bool ClosedByServer() {
    char chunk[4096];
    while (true) {
      const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n == 0) return true;
      if (n < 0) return errno == ECONNRESET;
    }
  }

  // Sends the bytes and reads one response (headers and Content-Length body).
  std::string Exchange(const std::string& request) {
    send(fd_, request.data(), request.size(), MSG_NOSIGNAL);
    std::string response;
    char chunk[4096];
    while (true) {
      const size_t headerEnd = response.find("\r\n\r\n");
      if (headerEnd != std::string::npos) {
        const size_t length = response.find("Content-Length: ");
        const size_t bodyLength = length == std::string::npos ? 0 : std::stoul(response.substr(length + 16));
        if (response.size() >= headerEnd + 4 + bodyLength) return response;
      }
      const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) return response;
      response.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  int fd_;
  bool connected_ = false;
};

class TrackerServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tracker_.running()) << tracker_.Output(); }
  test::TrackerProcess tracker_{{"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv", "--message", "M"}};
};

TEST_F(TrackerServerTest, BothTargetFormsOnOneKeptAliveConnection) {
  Connection connection(tracker_.port());
  ASSERT_TRUE(connection.connected());
  const auto origin = connection.Exchange("GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_THAT(origin, StartsWith("HTTP/1.1 200"));
  EXPECT_THAT(origin, HasSubstr("<status>okay</status>\n<msg>M</msg>\n"));
  const auto absolute = connection.Exchange(
      "GET http://tracker.example/query.php?type=appl&creator=StCh&name=Star%20Chart HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_THAT(absolute, StartsWith("HTTP/1.1 200"));
  EXPECT_THAT(absolute, HasSubstr("<version>2.4</version>"));
  const auto other = connection.Exchange("GET /index.html HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_THAT(other, StartsWith("HTTP/1.1 404"));
}

TEST_F(TrackerServerTest, MalformedRequestGets400AndTheServerGoesOn) {
  {
    Connection bad(tracker_.port());
    EXPECT_THAT(bad.Exchange("THIS IS NOT HTTP\r\n\r\n"), StartsWith("HTTP/1.1 400"));
  }
  Connection good(tracker_.port());
  EXPECT_THAT(good.Exchange("GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n\r\n"), StartsWith("HTTP/1.1 200"));
  EXPECT_THAT(tracker_.WaitForOutput("GET /query.php?init=true -> 200"), HasSubstr("GET /query.php?init=true -> 200"));
}

// oq-tracker with its standard output on a pipe of which only the
// "listening" line is read.
struct TrackerOnAPipe {
  TrackerOnAPipe() {
    int out[2];
    if (pipe(out) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      execl(OQ_TRACKER_PATH, OQ_TRACKER_PATH, "--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    output = out[0];
    std::string first;
    char c = 0;
    while (read(output, &c, 1) == 1 && c != '\n') first += c;
    const size_t at = first.rfind(':');
    if (at != std::string::npos) port = static_cast<uint16_t>(std::stoi(first.substr(at + 1)));
  }
  ~TrackerOnAPipe() {
    close(output);
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
  int output = -1;
  uint16_t port = 0;
};

TEST(TrackerCommandTest, KeepsAnsweringWhenNobodyReadsItsLog) {
  TrackerOnAPipe tracker;
  ASSERT_NE(tracker.port, 0);
  Connection connection(tracker.port);
  ASSERT_TRUE(connection.connected());
  // About 1 MB of log lines, sixteen times what a pipe holds.
  const std::string padding(1000, 'x');
  int answered = 0;
  for (int i = 0; i < 1000; ++i) {
    const auto response =
        connection.Exchange("GET /query.php?creator=StCh&pad=" + padding + " HTTP/1.1\r\nHost: x\r\n\r\n");
    if (response.rfind("HTTP/1.1 200", 0) != 0) break;
    ++answered;
  }
  EXPECT_EQ(answered, 1000);
}

TEST_F(TrackerServerTest, IdleClientsDoNotKeepOthersWaiting) {
  std::vector<std::unique_ptr<Connection>> idle;
  for (int i = 0; i < 16; ++i) {
    idle.push_back(std::make_unique<Connection>(tracker_.port()));
    ASSERT_THAT(idle.back()->Exchange("GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n\r\n"),
                StartsWith("HTTP/1.1 200"));
  }
  // Sixteen kept-alive connections wait for their next request; one more
  // client is still answered (the connection gives up after ten seconds).
  Connection another(tracker_.port());
  EXPECT_THAT(another.Exchange("GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n\r\n"), StartsWith("HTTP/1.1 200"));
}

constexpr const char* kInit = "GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n\r\n";

TEST_F(TrackerServerTest, TricklingClientsNeitherHoldUpOthersNorStayPastTheDeadline) {
  std::vector<std::unique_ptr<Connection>> slow;
  for (int i = 0; i < 100; ++i) {
    slow.push_back(std::make_unique<Connection>(tracker_.port()));
    ASSERT_TRUE(slow.back()->Send("GET /query.php?init=true HTTP/1.1\r\nX-Slow: "));
  }
  std::atomic<bool> trickling{true};
  std::thread trickler([&] {
    while (trickling) {
      for (auto& connection : slow) connection->Send("a");
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  });
  Connection another(tracker_.port());
  EXPECT_THAT(another.Exchange(kInit), StartsWith("HTTP/1.1 200"));
  // A byte now and then does not stretch the time a request may take.
  for (auto& connection : slow) EXPECT_TRUE(connection->ClosedByServer());
  trickling = false;
  trickler.join();
}

TEST_F(TrackerServerTest, AnOversizedHeaderIsRefusedWith431) {
  std::string manyLines = "GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n";
  for (int i = 0; i < 200; ++i) manyLines += "A: b\r\n";
  Connection many(tracker_.port());
  EXPECT_THAT(many.Exchange(manyLines + "\r\n"), StartsWith("HTTP/1.1 431"));

  std::string endless = "GET /query.php?init=true HTTP/1.1\r\nHost: x\r\n";
  for (int i = 0; i < 200000; ++i) endless += "X-Line: " + std::to_string(i) + "\r\n";
  Connection huge(tracker_.port());
  std::thread sender([&] { huge.Send(endless + "\r\n"); });
  EXPECT_THAT(huge.Exchange(""), StartsWith("HTTP/1.1 431"));
  sender.join();

  Connection good(tracker_.port());
  EXPECT_THAT(good.Exchange(kInit), StartsWith("HTTP/1.1 200"));
}

TEST(TrackerCommandTest, WhenConnectionsRunOutTheLongestIdleMakesRoom) {
  test::TrackerProcess tracker({"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv", "--max-connections", "8"});
  ASSERT_TRUE(tracker.running()) << tracker.Output();
  std::vector<std::unique_ptr<Connection>> clients;
  for (int i = 0; i < 30; ++i) {
    clients.push_back(std::make_unique<Connection>(tracker.port()));
    ASSERT_THAT(clients.back()->Exchange(kInit), StartsWith("HTTP/1.1 200")) << "client " << i;
  }
  // Every client was answered; the 22 that waited longest were closed.
  for (int i = 0; i < 22; ++i) EXPECT_TRUE(clients[i]->ClosedByServer()) << "client " << i;
  for (int i = 22; i < 30; ++i) EXPECT_THAT(clients[i]->Exchange(kInit), StartsWith("HTTP/1.1 200")) << i;
}

TEST_F(TrackerServerTest, APortInUseIsRefusedNotShared) {
  const auto second = test::RunCommand(
      std::string(OQ_TRACKER_PATH) +
      " --catalog " OQ_SOURCE_DIR "/tracker/sample-catalog.tsv --listen 127.0.0.1:" + std::to_string(tracker_.port()));
  EXPECT_EQ(second.status, 2);
  EXPECT_THAT(second.output, HasSubstr("address in use"));
}

TEST(TrackerCommandTest, BadCatalogueOrListenAddressExitsTwo) {
  const auto missing = test::RunCommand(std::string(OQ_TRACKER_PATH) + " --catalog /nonexistent.tsv");
  EXPECT_EQ(missing.status, 2);
  EXPECT_THAT(missing.output, HasSubstr("cannot read the catalogue"));
  for (const char* listen : {"nonsense", "127.0.0.1:99999", "127.0.0.1:abc", "127.0.0.1:", ":80", "[::1:0"}) {
    const auto outcome =
        test::RunCommand(std::string(OQ_TRACKER_PATH) +
                         " --catalog " OQ_SOURCE_DIR "/tracker/sample-catalog.tsv --listen '" + listen + "'");
    EXPECT_EQ(outcome.status, 2) << listen;
    EXPECT_THAT(outcome.output, HasSubstr("port from 0 (any free one) to 65535")) << listen;
  }
}

TEST(TrackerCommandTest, ListensOnIpv6LoopbackAndSaysWhere) {
  const auto outcome = test::RunCommand("timeout 2 " + std::string(OQ_TRACKER_PATH) +
                                        " --catalog " OQ_SOURCE_DIR "/tracker/sample-catalog.tsv --listen '[::1]:0'");
  EXPECT_THAT(outcome.output, ::testing::MatchesRegex(".*listening on http://\\[::1\\]:[1-9][0-9]*\n.*"));
}

TEST(TrackerCommandTest, AStopRightAfterListeningIsNeverLost) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    TrackerOnAPipe tracker;
    ASSERT_NE(tracker.port, 0);
    kill(tracker.pid, SIGTERM);  // as soon as the "listening" line is out
    int status = 0;
    pid_t ended = 0;
    for (int wait = 0; wait < 500 && ended == 0; ++wait) {
      ended = waitpid(tracker.pid, &status, WNOHANG);
      if (ended == 0) usleep(10000);
    }
    EXPECT_EQ(ended, tracker.pid) << "still running five seconds after SIGTERM, attempt " << attempt;
    if (ended != tracker.pid) kill(tracker.pid, SIGKILL);
    tracker.pid = -1;
  }
}

}  // namespace
}  // namespace oq
