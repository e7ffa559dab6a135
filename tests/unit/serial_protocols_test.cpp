// The serial HotSync's SLP, PADP and CMP against known bytes (the CRC and
// the packet's bytes worked out apart from this code, with Python's
// binascii.crc_hqx), every cut of a packet, and the rate a wake-up gets.
#include <gtest/gtest.h>

#include <string_view>

#include "cmp_packet.h"
#include "padp_packet.h"
#include "slp_packet.h"

namespace oq::serial {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kGoldenSlp{0xBE, 0xEF, 0xED, 0x03, 0x03, 0x02, 0x00, 0x03, 0x11, 0xB6, 0x01, 0x02, 0x03, 0x88, 0xD5};

TEST(SerialProtocolsTest, SlpPacketsCarryTheirChecksumAndCrc) {
  constexpr std::string_view check = "123456789";
  EXPECT_EQ(Crc16({reinterpret_cast<const uint8_t*>(check.data()), check.size()}), 0x31C3) << "CRC-CCITT's check";
  EXPECT_EQ(EncodeSlp({kDlpSocket, kDlpSocket, kPadpType, 0x11, {1, 2, 3}}), kGoldenSlp);

  // Noise before it, and the bytes a few at a time.
  SlpReader reader;
  const Bytes noise{0x00, 0xBE, 0xEF, 0x42};
  reader.Feed(noise);
  for (size_t i = 0; i < kGoldenSlp.size(); i += 4) {
    EXPECT_FALSE(reader.Next()) << "a packet before all its bytes came, at " << i;
    reader.Feed(std::span(kGoldenSlp).subspan(i, std::min<size_t>(4, kGoldenSlp.size() - i)));
  }
  const auto packet = reader.Next();
  ASSERT_TRUE(packet);
  EXPECT_EQ(packet->transaction, 0x11);
  EXPECT_EQ(packet->body, (Bytes{1, 2, 3}));
  EXPECT_FALSE(reader.Next());

  // A damaged CRC drops that packet only; a damaged header byte is no packet.
  auto damaged = kGoldenSlp;
  damaged.back() ^= 1;
  auto wrongHeader = kGoldenSlp;
  wrongHeader[kTypeOffset] = 9;
  reader.Feed(damaged);
  reader.Feed(wrongHeader);
  reader.Feed(kGoldenSlp);
  ASSERT_TRUE(reader.Next());
  EXPECT_FALSE(reader.Next());
  EXPECT_EQ(reader.dropped(), 2u);

  for (size_t length = 0; length < kGoldenSlp.size(); ++length) {
    SlpReader cut;
    cut.Feed(std::span(kGoldenSlp).first(length));
    EXPECT_FALSE(cut.Next()) << length;
  }
}

TEST(SerialProtocolsTest, PadpFragmentsAMessageAndPutsItBackTogether) {
  EXPECT_EQ(EncodePadp({kPadpData, kPadpFirst | kPadpLast, 2, {0x90, 0}}), (Bytes{1, 0xC0, 0, 2, 0x90, 0}));
  std::string problem;
  const Bytes ack{kPadpAck, 0xC0, 0, 2};
  const auto decoded = DecodePadp(ack, problem);
  ASSERT_TRUE(decoded) << problem;
  EXPECT_EQ(decoded->type, kPadpAck);
  EXPECT_EQ(decoded->size, 2);
  for (size_t length = 0; length < ack.size(); ++length)
    EXPECT_FALSE(DecodePadp(std::span(ack).first(length), problem));
  EXPECT_FALSE(DecodePadp(Bytes{5, 0, 0, 0}, problem)) << "no such type";
  EXPECT_FALSE(DecodePadp(Bytes(kPadpHeaderLength + kMaxFragment + 1, 1), problem)) << "a fragment too long";

  Bytes message(2500);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 7);
  const auto fragments = Fragments(message);
  ASSERT_EQ(fragments.size(), 3u);
  EXPECT_EQ(fragments[0].flags, kPadpFirst);
  EXPECT_EQ(fragments[0].size, 2500) << "a first fragment carries the whole length";
  EXPECT_EQ(fragments[1].flags, 0);
  EXPECT_EQ(fragments[1].size, 1024) << "a later one its offset";
  EXPECT_EQ(fragments[2].flags, kPadpLast);
  EXPECT_EQ(fragments[2].size, 2048);
  EXPECT_EQ(fragments[2].data.size(), 452u);
  EXPECT_EQ(Fragments({}).size(), 1u) << "an empty message is one fragment";

  PadpAssembler assembler;
  EXPECT_EQ(assembler.Accept(fragments[0]), PadpAssembler::Result::kMore);
  EXPECT_EQ(assembler.Accept(fragments[1]), PadpAssembler::Result::kMore);
  EXPECT_EQ(assembler.Accept(fragments[2]), PadpAssembler::Result::kWhole);
  EXPECT_EQ(assembler.Take(), message);
  EXPECT_EQ(assembler.Accept(fragments[1]), PadpAssembler::Result::kMalformed) << "a later fragment first";
  EXPECT_EQ(assembler.Accept(fragments[0]), PadpAssembler::Result::kMore);
  EXPECT_EQ(assembler.Accept(fragments[2]), PadpAssembler::Result::kMalformed) << "a fragment left out";
}

TEST(SerialProtocolsTest, TheInitAnswersAWakeUpWithTheFastestRateBothCanGo) {
  const Bytes wakeUp{kCmpWakeUp, 0, 1, 1, 0, 0, 0x00, 0x01, 0xC2, 0x00};  // 115200 bit/s
  std::string problem;
  const auto decoded = DecodeCmp(wakeUp, problem);
  ASSERT_TRUE(decoded) << problem;
  EXPECT_EQ(decoded->rate, 115200u);
  for (size_t length = 0; length < wakeUp.size(); ++length)
    EXPECT_FALSE(DecodeCmp(std::span(wakeUp).first(length), problem));

  const uint32_t port[] = {9600, 19200, 38400, 57600, 115200};
  EXPECT_EQ(EncodeCmp(InitFor(*decoded, port, false)), (Bytes{kCmpInit, 0x80, 1, 1, 0, 0, 0x00, 0x01, 0xC2, 0x00}));
  CmpPacket faster = *decoded;
  faster.rate = 230400;
  EXPECT_EQ(InitFor(faster, std::span(port).first(4), false).rate, 57600u) << "no faster than the port";
  const auto stay = InitFor(*decoded, port, true);
  EXPECT_EQ(stay.rate, kStartingRate);
  EXPECT_EQ(stay.flags, 0) << "no change of rate asked for";
  CmpPacket slow = *decoded;
  slow.rate = 4800;
  EXPECT_EQ(InitFor(slow, port, false).rate, kStartingRate);
}

}  // namespace
}  // namespace oq::serial
