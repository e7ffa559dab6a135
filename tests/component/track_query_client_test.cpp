// TrackQueryClient and QueryServer against a real HTTP server on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "handheld_host.h"
#include "test_hooks.h"
#include "program_records.h"
#include "query_server.h"
#include "scripted_http_server.h"
#include "test_environment.h"
#include "track_query_client.h"

namespace oq {
namespace {

using test::ScriptedHttpServer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

ScriptedHttpServer::Response Answer(int status, std::string body = "") {
  ScriptedHttpServer::Response response;
  response.status = status;
  response.body = std::move(body);
  return response;
}

class TrackQueryClientTest : public ::testing::Test {
 protected:
  void SetUp() override { handheld_host::BeginSync(image_.path()); }
  std::vector<std::string> Log() const { return handheld_host::HotSyncLog(); }

  test::ScopedHome home_;
  test::TempDir image_;
  // Direct connections unless a test routes through a proxy.
  test::ScopedEnvironment noProxy_{"http_proxy", nullptr};
  test::ScopedEnvironment noProxyUpper_{"HTTP_PROXY", nullptr};
};

TEST_F(TrackQueryClientTest, StatusCodesAndTheirLogLines) {
  ScriptedHttpServer server([](const auto& request) {
    if (request.target == "/missing") return Answer(404, "gone");
    if (request.target == "/broken") return Answer(500);
    return Answer(200, "fine");
  });
  TrackQueryClient client;
  EXPECT_EQ(client.lastStatusCode, 0);

  EXPECT_TRUE(client.SendGet(server.Url("/ok").c_str(), "OrbitQuail/1.30"));
  EXPECT_EQ(client.lastStatusCode, 200);
  EXPECT_THAT(Log(), IsEmpty());

  EXPECT_TRUE(client.SendGet(server.Url("/missing").c_str(), "OrbitQuail/1.30"));
  EXPECT_EQ(client.lastStatusCode, 404);
  EXPECT_TRUE(client.SendGet(server.Url("/broken").c_str(), "OrbitQuail/1.30"));
  EXPECT_EQ(client.lastStatusCode, 500);
  EXPECT_THAT(Log(), ElementsAre("---    Failed to get data from server. HTTP Error: 194",
                                 "---    Failed to get data from server. HTTP Error: 1F4"));
}

TEST_F(TrackQueryClientTest, RequestBytesAreExactlyTheseAndOneConnectionServesAll) {
  ScriptedHttpServer server([](const auto&) { return Answer(200, "x"); });
  TrackQueryClient client;
  ASSERT_TRUE(client.SendGet(server.Url("/query.php?init=true").c_str(), "OrbitQuail/1.30"));
  ASSERT_TRUE(client.SendGet(server.Url("/query.php?type=appl").c_str(), "Agent/2"));
  EXPECT_EQ(server.AcceptedConnections(), 1);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(requests[0].raw,
            "GET /query.php?init=true HTTP/1.1\r\n"
            "Host: " +
                host +
                "\r\n"
                "User-Agent: OrbitQuail/1.30\r\n"
                "Cache-Control: no-cache\r\n"
                "Pragma: no-cache\r\n"
                "User_Agent: OrbitQuail/1.30\r\n"
                "\r\n");
  EXPECT_NE(requests[1].raw.find("\r\nUser-Agent: OrbitQuail/1.30\r\n"), std::string::npos)
      << "the session's agent text stays the standard header";
  EXPECT_NE(requests[1].raw.find("\r\nUser_Agent: Agent/2\r\n"), std::string::npos);
}

TEST_F(TrackQueryClientTest, ConnectionStaysBoundToTheFirstServer) {
  ScriptedHttpServer first([](const auto&) { return Answer(200, "first"); });
  ScriptedHttpServer second([](const auto&) { return Answer(200, "second"); });
  TrackQueryClient client;
  ASSERT_TRUE(client.SendGet(first.Url("/a").c_str(), "A"));
  ASSERT_TRUE(client.SendGet(second.Url("/b").c_str(), "A"));
  std::string body;
  client.ReadBody(body);
  EXPECT_EQ(body, "first\n");
  EXPECT_EQ(second.AcceptedConnections(), 0);
}

TEST_F(TrackQueryClientTest, UnusableUrlsFailQuietlyButCloseThePreviousRequest) {
  ScriptedHttpServer server([](const auto&) { return Answer(200, "body"); });
  TrackQueryClient client;
  std::string body;
  EXPECT_FALSE(client.ReadBody(body)) << "no request yet";

  for (const char* url : {"https://127.0.0.1/query.php", "not a url", "ftp://127.0.0.1/x"}) {
    EXPECT_FALSE(client.SendGet(url, "A")) << url;
  }
  EXPECT_EQ(server.AcceptedConnections(), 0) << "no connection made";
  EXPECT_EQ(client.lastStatusCode, 0);

  ASSERT_TRUE(client.SendGet(server.Url("/").c_str(), "A"));
  EXPECT_FALSE(client.SendGet("https://127.0.0.1/", "A"));
  EXPECT_FALSE(client.ReadBody(body)) << "the previous response is no longer readable";
  EXPECT_EQ(body, "");
  EXPECT_EQ(client.lastStatusCode, 200);
  EXPECT_THAT(Log(), IsEmpty());
}

TEST_F(TrackQueryClientTest, RefusedConnectionLogsThePlatformMessage) {
  uint16_t closedPort;
  {
    ScriptedHttpServer gone([](const auto&) { return Answer(200); });
    closedPort = gone.port();
  }
  TrackQueryClient client;
  EXPECT_FALSE(client.SendGet(("http://127.0.0.1:" + std::to_string(closedPort) + "/").c_str(), "A"));
  EXPECT_EQ(client.lastStatusCode, 0);
  const auto log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "---    HTTP error while getting data.");
  EXPECT_THAT(log[1], ::testing::StartsWith("---    "));
  EXPECT_GT(log[1].size(), 7u) << "the platform's message follows";
}

TEST_F(TrackQueryClientTest, FailuresAfterAResponseKeepItsStatusCode) {
  bool drop = false;
  bool silent = false;
  ScriptedHttpServer server([&](const auto&) {
    auto response = Answer(200, std::string(1000, 'b'));
    if (drop) response.behaviour = ScriptedHttpServer::Behaviour::kDropMidBody;
    if (silent) response.behaviour = ScriptedHttpServer::Behaviour::kNeverAnswer;
    return response;
  });
  test::ScopedEnvironment timeout("ORBITQUAIL_HTTP_TIMEOUT", "1");
  TrackQueryClient client;
  ASSERT_TRUE(client.SendGet(server.Url("/").c_str(), "A"));

  drop = true;
  EXPECT_FALSE(client.SendGet(server.Url("/").c_str(), "A")) << "connection dropped mid-body";
  EXPECT_EQ(client.lastStatusCode, 200);
  std::string body;
  EXPECT_TRUE(client.ReadBody(body));
  EXPECT_EQ(body, "") << "nothing of a broken body is handed out";

  drop = false;
  silent = true;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.SendGet(server.Url("/").c_str(), "A")) << "server that never answers";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(client.lastStatusCode, 200);
  const auto log = Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "---    HTTP error while getting data.");
  EXPECT_EQ(log[2], "---    HTTP error while getting data.");
}

TEST_F(TrackQueryClientTest, BodyOverOneMebibyteIsAFailureNotAnAllocation) {
  ScriptedHttpServer server([](const auto&) { return Answer(200, std::string(1024 * 1024 + 1, 'x')); });
  TrackQueryClient client;
  EXPECT_FALSE(client.SendGet(server.Url("/").c_str(), "A"));
  EXPECT_THAT(Log(), ElementsAre("---    HTTP error while getting data.",
                                 "---    The server's response is larger than 1 MiB."));
}

TEST_F(TrackQueryClientTest, BodyLinesEachEndInOneLineFeed) {
  std::string reply;
  ScriptedHttpServer server([&](const auto&) { return Answer(200, reply); });
  TrackQueryClient client;
  struct Case {
    const char* body;
    const char* text;
  };
  for (const Case c :
       {Case{"a\nb", "a\nb\n"}, Case{"", ""}, Case{"a\n\nb\n", "a\n\nb\n"}, Case{"crlf\r\nend", "crlf\r\nend\n"}}) {
    reply = c.body;
    ASSERT_TRUE(client.SendGet(server.Url("/").c_str(), "A"));
    std::string text = "stale";
    EXPECT_TRUE(client.ReadBody(text));
    EXPECT_EQ(text, c.text);
  }
}

TEST_F(TrackQueryClientTest, RedirectsAreFollowedOverHttpOnly) {
  ScriptedHttpServer server([](const auto& request) {
    auto response = Answer(302);
    if (request.target == "/old") {
      response.headers.push_back("Location: /new");
    } else if (request.target == "/tls") {
      response.headers.push_back("Location: https://127.0.0.1/secure");
    } else {
      response = Answer(200, "moved here");
    }
    return response;
  });
  TrackQueryClient client;
  ASSERT_TRUE(client.SendGet(server.Url("/old").c_str(), "A"));
  EXPECT_EQ(client.lastStatusCode, 200);
  std::string body;
  client.ReadBody(body);
  EXPECT_EQ(body, "moved here\n");

  EXPECT_FALSE(client.SendGet(server.Url("/tls").c_str(), "A")) << "never redirected to https";
}

// ---- QueryServer, reaching the built-in host through http_proxy.

class QueryServerTest : public TrackQueryClientTest {
 protected:
  void SetUp() override {
    TrackQueryClientTest::SetUp();
    proxy_ = std::make_unique<test::ScopedEnvironment>("http_proxy", server_.Url("").c_str());
  }
  std::string Base() const { return std::string("http://") + ORBITQUAIL_TRACKER_HOST + "/query.php?"; }

  ScriptedHttpServer::Response next_ = Answer(200, "<status>okay</status>");
  ScriptedHttpServer server_{[this](const auto&) { return next_; }};
  std::unique_ptr<test::ScopedEnvironment> proxy_;
  TrackQueryClient client_;
  std::string text_;
  ServerReply reply_;
};

TEST_F(QueryServerTest, InitQueryIsTheBaseUrlAndInitTrue) {
  EXPECT_TRUE(QueryServer(client_, "OrbitQuail/1.30", nullptr, text_, reply_));
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].target, Base() + "init=true") << "absolute form through the proxy";
  EXPECT_EQ(handheld_host::CallCount(handheld_host::Operation::kYieldCycles), 1);
  EXPECT_THAT(Log(), IsEmpty()) << "success writes only diagnostic lines";
}

TEST_F(QueryServerTest, ProgramQueryEncodesEveryValue) {
  const auto plain =
      test::MakeProgramRecord({.type = "appl", .creator = "StCh", .name = "My App", .installedVersion = "2.0"});
  ASSERT_TRUE(QueryServer(client_, "OrbitQuail/1.30", plain.data(), text_, reply_));
  auto odd = test::MakeProgramRecord(
      {.type = "", .creator = "rkOQ", .name = "Tom & Jerry=\xE9", .altName = "a b", .installedVersion = "1.0b"});
  const uint8_t typeWithNul[] = {'a', 'p', 0, 'l'};
  std::copy(std::begin(typeWithNul), std::end(typeWithNul), odd.begin());
  ASSERT_TRUE(QueryServer(client_, "OrbitQuail/1.30", odd.data(), text_, reply_));

  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, Base() + "type=appl&creator=StCh&name=My%20App&altname=&ver=2%2E0");
  EXPECT_EQ(requests[1].target, Base() + "type=ap&creator=rkOQ&name=Tom%20%26%20Jerry%3D%E9&altname=a%20b&ver=1%2E0b");
  EXPECT_EQ(handheld_host::CallCount(handheld_host::Operation::kYieldCycles), 2);
}

TEST_F(QueryServerTest, HttpErrorLogsTheNameAsStoredAndLeavesTheReply) {
  reply_.ParseReply("<status>okay</status><version>7</version>");
  next_ = Answer(404);
  const auto record =
      test::MakeProgramRecord({.type = "appl", .creator = "StCh", .name = "My App", .installedVersion = "2.0"});
  EXPECT_FALSE(QueryServer(client_, "OrbitQuail/1.30", record.data(), text_, reply_));
  EXPECT_THAT(Log(), ElementsAre("---    Failed to get data from server. HTTP Error: 194",
                                 "---    My App: Failed to get data from server."));
  EXPECT_EQ(reply_.status, ReplyStatus::Okay);
  EXPECT_EQ(reply_.version, "7");
}

TEST_F(QueryServerTest, RepliesOtherThanOkayOrNoData) {
  next_ = Answer(200, "<status>error</status><version>3</version><msg>bad</msg>");
  EXPECT_FALSE(QueryServer(client_, "OrbitQuail/1.30", nullptr, text_, reply_));
  EXPECT_EQ(reply_.status, ReplyStatus::Error);
  EXPECT_EQ(reply_.version, "3");
  EXPECT_EQ(reply_.msg, "bad");

  next_ = Answer(200, "<status>oldclient</status>");
  EXPECT_FALSE(QueryServer(client_, "OrbitQuail/1.30", nullptr, text_, reply_));
  next_ = Answer(200, "<status>nodata</status><msg>none</msg>");
  EXPECT_TRUE(QueryServer(client_, "OrbitQuail/1.30", nullptr, text_, reply_));
  EXPECT_EQ(reply_.msg, "none");

  EXPECT_THAT(Log(), ElementsAre("---    Retrieved status is unknown.", "---    OrbitQuail conduit version is too old.",
                                 "---      Please install new version."));
}

TEST_F(QueryServerTest, InitFailureLine) {
  next_ = Answer(500);
  EXPECT_FALSE(QueryServer(client_, "OrbitQuail/1.30", nullptr, text_, reply_));
  EXPECT_THAT(Log(), ElementsAre("---    Failed to get data from server. HTTP Error: 1F4",
                                 "---    Failed to init with OrbitQuail server."));
}

}  // namespace
}  // namespace oq
