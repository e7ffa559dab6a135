#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "program_record.h"
#include "query_server.h"
#include "url_encoding.h"

namespace oq {
namespace {

TEST(UrlEncodingTest, EveryByteValueFollowsTheRule) {
  for (int byte = 1; byte <= 255; ++byte) {
    const char value[2] = {static_cast<char>(byte), '\0'};
    std::string encoded;
    UrlEncode(value, encoded);
    const bool alphanumeric = std::isalnum(byte) && byte < 0x80;
    if (alphanumeric) {
      EXPECT_EQ(encoded, std::string(1, static_cast<char>(byte))) << byte;
    } else {
      char expected[4];
      std::snprintf(expected, sizeof expected, "%%%02X", byte);
      EXPECT_EQ(encoded, expected) << byte;
    }
  }
  std::string encoded = "stale";
  UrlEncode("", encoded);
  EXPECT_EQ(encoded, "") << "the text is replaced, not appended to";
}

TEST(UrlEncodingTest, Examples) {
  std::string encoded;
  UrlEncode("a-b~c", encoded);
  EXPECT_EQ(encoded, "a%2Db%7Ec");
  UrlEncode("\xE9", encoded);
  EXPECT_EQ(encoded, "%E9");
  UrlEncode("a b&c=d._", encoded);
  EXPECT_EQ(encoded, "a%20b%26c%3Dd%2E%5F");
}

TEST(UrlEncodingTest, HexDigit) {
  const char expected[] = "0123456789ABCDEF";
  for (int nibble = 0; nibble < 16; ++nibble) EXPECT_EQ(HexDigit(static_cast<uint8_t>(nibble)), expected[nibble]);
  for (int value = 16; value < 256; ++value) EXPECT_EQ(HexDigit(static_cast<uint8_t>(value)), '0') << value;
}

TEST(QueryUrlTest, BaseUrlUsesTheBuiltInHost) {
  EXPECT_EQ(std::string(QueryBaseUrl()), std::string("http://") + ORBITQUAIL_TRACKER_HOST + "/query.php?");
}

}  // namespace
}  // namespace oq
