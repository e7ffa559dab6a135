// The DLP packet codec against known bytes, and every cut of a response.
#include <gtest/gtest.h>

#include "dlp_packet.h"

namespace oq::dlp {
namespace {

TEST(DlpPacketTest, RequestsTakeTheSmallestArgumentHeader) {
  Request request{0x17, {{0x20, {0, 0x80, 'A', 0}}, {0x21, std::vector<uint8_t>(300, 7)}}};
  const auto bytes = EncodeRequest(request);
  ASSERT_EQ(bytes.size(), 2u + 2 + 4 + 4 + 300);
  const std::vector<uint8_t> head{0x17, 2, 0x20, 4, 0, 0x80, 'A', 0, 0xA1, 0, 0x01, 0x2C};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12), head);
}

TEST(DlpPacketTest, ResponsesDecodeAndEveryCutFailsCleanly) {
  const std::vector<uint8_t> bytes{0x97, 2, 0x00, 0x05, 0x20, 1, 9, 0xA1, 0, 0x00, 0x02, 1, 2};
  std::string problem;
  const auto response = DecodeResponse(bytes, problem);
  ASSERT_TRUE(response) << problem;
  EXPECT_EQ(response->command, 0x17);
  EXPECT_EQ(response->error, 5);
  ASSERT_NE(response->Find(0x21), nullptr);
  EXPECT_EQ(response->Find(0x21)->data, (std::vector<uint8_t>{1, 2}));
  for (size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_FALSE(DecodeResponse(std::span(bytes).first(length), problem)) << length;
  }
  auto longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(DecodeResponse(longer, problem));
  EXPECT_FALSE(DecodeResponse(std::vector<uint8_t>{0x17, 0, 0, 0}, problem)) << "a request is no response";
}

TEST(DlpPacketTest, ALongArgumentCarriesAThirtyTwoBitLength) {
  std::vector<uint8_t> bytes{0xA0, 1, 0, 0, 0x60, 0, 0x00, 0x01, 0x00, 0x02};
  bytes.resize(bytes.size() + 0x10002, 9);
  std::string problem;
  const auto response = DecodeResponse(bytes, problem);
  ASSERT_TRUE(response) << problem;
  ASSERT_EQ(response->arguments.size(), 1u);
  EXPECT_EQ(response->arguments[0].id, 0x20);
  EXPECT_EQ(response->arguments[0].data.size(), 0x10002u);
  bytes.pop_back();
  EXPECT_FALSE(DecodeResponse(bytes, problem));
  EXPECT_EQ(problem, "argument 1 of 1 runs past the response's end");
}

}  // namespace
}  // namespace oq::dlp
