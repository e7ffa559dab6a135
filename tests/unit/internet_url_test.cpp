// URLs as the transport splits them: plain http ones by hand, the rest by
// libcurl; both must agree on what a URL means.
#include <gtest/gtest.h>

#include "internet.h"

namespace oq {
namespace {

using platform::kDefaultHttpPort;
using platform::kInternetServiceHttp;

struct Expected {
  const char* url;
  const char* server;
  uint16_t port;
  const char* object;
};

TEST(InternetUrlTest, PlainAndUnusualHttpUrlsSplitAlike) {
  const Expected cases[] = {
      {"http://tracker.example.net/query.php?type=appl&name=Star%20Chart", "tracker.example.net", kDefaultHttpPort,
       "/query.php?type=appl&name=Star%20Chart"},
      {"HTTP://Host-1.example:8080/a/b?x=1?y", "Host-1.example", 8080, "/a/b?x=1?y"},
      {"http://host", "host", kDefaultHttpPort, "/"},
      {"http://host:81", "host", 81, "/"},
      {"http://host?init=true", "host", kDefaultHttpPort, "/?init=true"},
      {"http://host/path?", "host", kDefaultHttpPort, "/path"},
      {"http://127.0.0.1:65535/", "127.0.0.1", 65535, "/"},
      // Left to libcurl: user info, a fragment, an IPv6 literal.
      {"http://user:pw@host:82/p?q=1", "host", 82, "/p?q=1"},
      {"http://host/p?q=1#part", "host", kDefaultHttpPort, "/p?q=1"},
      {"http://[::1]:83/p", "[::1]", 83, "/p"},
  };
  for (const auto& expected : cases) {
    platform::ParsedUrl parsed;
    ASSERT_TRUE(platform::ParseInternetUrl(expected.url, parsed)) << expected.url;
    EXPECT_EQ(parsed.service, kInternetServiceHttp) << expected.url;
    EXPECT_EQ(parsed.server, expected.server) << expected.url;
    EXPECT_EQ(parsed.port, expected.port) << expected.url;
    EXPECT_EQ(parsed.object, expected.object) << expected.url;
  }
}

TEST(InternetUrlTest, OtherSchemesAndBrokenUrls) {
  platform::ParsedUrl parsed;
  ASSERT_TRUE(platform::ParseInternetUrl("https://host/p", parsed));
  EXPECT_NE(parsed.service, kInternetServiceHttp);
  for (const char* url : {"", "http://", "http://host:99999/", "http://host:0x50/", "not a url"}) {
    platform::ParsedUrl broken;
    EXPECT_FALSE(platform::ParseInternetUrl(url, broken)) << url;
  }
}

}  // namespace
}  // namespace oq
