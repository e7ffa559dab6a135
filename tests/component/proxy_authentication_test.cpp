// Proxy credentials from the settings file, offered to a real tinyproxy
// that asks for Basic authentication.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "handheld_host.h"
#include "query_server.h"
#include "scripted_http_server.h"
#include "tinyproxy.h"

namespace oq {
namespace {

using test::ScriptedHttpServer;

class ProxyAuthenticationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(proxy_.running()) << "tinyproxy did not start (scripts/install-dependencies.sh installs it)";
    handheld_host::BeginSync(image_.path());
  }
  void Configure(const std::string& enable, const std::string& user, const std::string& password) {
    test::WriteText(home_.SettingsPath(),
                    "[AuthProxy]\nEnable=" + enable + "\nUserName=" + user + "\nPassword=" + password + "\n");
  }
  bool Query() {
    TrackQueryClient client;
    return Query(client);
  }
  bool Query(TrackQueryClient& client) {
    std::string text;
    ok_ = QueryServer(client, "OrbitQuail/1.30", nullptr, text, reply_);
    status_ = client.lastStatusCode;
    return ok_;
  }

  static inline const std::string kUser = std::string(127, 'u');
  test::ScopedHome home_;
  test::TempDir image_;
  ScriptedHttpServer tracker_{[](const auto&) {
    ScriptedHttpServer::Response response;
    response.body = "<status>okay</status><msg>through the proxy</msg>";
    return response;
  }};
  test::TinyProxy proxy_{kUser, "s3cret", tracker_.port()};
  test::ScopedEnvironment httpProxy_{"http_proxy", proxy_.Url().c_str()};
  ServerReply reply_;
  bool ok_ = false;
  int16_t status_ = 0;
};

TEST_F(ProxyAuthenticationTest, EnabledCredentialsGetThrough) {
  for (const char* enable : {"YES", "yes", "Yes"}) {
    Configure(enable, kUser, "s3cret");
    EXPECT_TRUE(Query()) << enable;
    EXPECT_EQ(status_, 200);
    EXPECT_EQ(reply_.msg, "through the proxy");
  }
  ASSERT_FALSE(tracker_.Requests().empty());
  // tinyproxy names the port when it passes the request on.
  EXPECT_THAT(tracker_.Requests()[0].target, ::testing::MatchesRegex(std::string("http://") + ORBITQUAIL_TRACKER_HOST +
                                                                     "(:80)?/query\\.php\\?init=true"));
}

TEST_F(ProxyAuthenticationTest, DisabledCredentialsAreNotOffered) {
  for (const char* enable : {"No", "Y", "1"}) {
    Configure(enable, kUser, "s3cret");
    EXPECT_FALSE(Query()) << enable;
    EXPECT_EQ(status_, 407);
  }
  EXPECT_THAT(handheld_host::HotSyncLog(),
              ::testing::Contains("---    Failed to get data from server. HTTP Error: 197"));
  EXPECT_THAT(handheld_host::HotSyncLog(), ::testing::Contains("---    Failed to init with OrbitQuail server."));
  EXPECT_TRUE(tracker_.Requests().empty());
}

TEST_F(ProxyAuthenticationTest, EachRequestOfOnePassOffersWhatTheSettingsSayThen) {
  TrackQueryClient client;
  Configure("Yes", kUser, "s3cret");
  EXPECT_TRUE(Query(client));
  Configure("No", kUser, "s3cret");
  EXPECT_FALSE(Query(client)) << "credentials switched off are not offered again";
  EXPECT_EQ(status_, 407);
  Configure("Yes", kUser, "wrong");
  EXPECT_FALSE(Query(client)) << "the password now in the file is offered, not the earlier one";
  Configure("Yes", kUser, "s3cret");
  EXPECT_TRUE(Query(client));
  EXPECT_EQ(status_, 200);

  // The settings folder swapped for another between two requests, as a
  // restored backup does: the next request goes by the new folder's file.
  const auto windows = home_.SettingsPath().parent_path();
  std::filesystem::rename(windows, windows.string() + ".old");
  Configure("No", kUser, "s3cret");
  EXPECT_FALSE(Query(client)) << "the new folder switches credentials off";
  EXPECT_EQ(status_, 407);
  std::filesystem::remove_all(windows);
  std::filesystem::rename(windows.string() + ".old", windows);
  EXPECT_TRUE(Query(client)) << "the old folder back, its credentials with it";
}

TEST_F(ProxyAuthenticationTest, LongUserNameIsOfferedCutTo127Characters) {
  Configure("Yes", std::string(200, 'u'), "s3cret");
  EXPECT_TRUE(Query()) << "the proxy knows only the first 127 characters";
}

}  // namespace
}  // namespace oq
