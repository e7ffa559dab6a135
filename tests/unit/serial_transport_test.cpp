// The serial transport against a scripted handheld on an in-memory line:
// the wake-up and the rate, messages in fragments each way, and a lost
// ack, a fragment sent twice, and a handheld that stops answering.
#include <gtest/gtest.h>

#include <deque>

#include "cmp_packet.h"
#include "serial_transport.h"

namespace oq::serial {
namespace {

using Bytes = std::vector<uint8_t>;
using dlp::LinkError;

// The handheld's side, scripted: it wakes the desktop up, acks what comes
// (but the first `acksToDrop`), and answers each whole request with
// `answer`, a fragment of it sent twice when `duplicate` says so.
struct ScriptedHandheld {
  uint32_t offeredRate = 57600;
  int acksToDrop = 0;
  bool duplicate = false;
  bool silent = false;
  bool answers = true;
  Bytes answer;

  std::deque<uint8_t> toDesktop;
  std::vector<Bytes> received;  // whole messages from the desktop
  int fragmentsReceived = 0;
  uint8_t transaction = 0x80;
  SlpReader reader;
  PadpAssembler assembler;

  void Queue(uint8_t xid, const PadpPacket& padp) {
    const auto bytes = EncodeSlp({kDlpSocket, kDlpSocket, kPadpType, xid, EncodePadp(padp)});
    toDesktop.insert(toDesktop.end(), bytes.begin(), bytes.end());
  }
  void SendMessage(const Bytes& message) {
    const uint8_t xid = ++transaction;
    for (const auto& fragment : Fragments(message)) {
      Queue(xid, fragment);
      if (duplicate) Queue(xid, fragment);
    }
  }
  void Wake() { SendMessage(EncodeCmp({kCmpWakeUp, 0, 1, 1, offeredRate})); }
  void FromDesktop(std::span<const uint8_t> bytes) {
    if (silent) return;
    reader.Feed(bytes);
    while (auto packet = reader.Next()) {
      std::string problem;
      const auto padp = DecodePadp(packet->body, problem);
      ASSERT_TRUE(padp) << problem;
      if (padp->type != kPadpData) continue;
      ++fragmentsReceived;
      if (acksToDrop > 0) {
        --acksToDrop;
        continue;
      }
      Queue(packet->transaction, {kPadpAck, padp->flags, padp->size, {}});
      if (assembler.Accept(*padp) != PadpAssembler::Result::kWhole) continue;
      received.push_back(assembler.Take());
      if (received.size() > 1 && answers) SendMessage(answer);  // the first is the init
    }
  }
};

class Line : public stream::ByteStream {
 public:
  explicit Line(ScriptedHandheld& handheld) : handheld_(handheld) {}
  LinkError Read(std::span<uint8_t> out, stream::Clock::time_point, size_t& got) override {
    if (handheld_.toDesktop.empty()) return LinkError::kTimedOut;  // at once: the tests need no clock
    got = std::min(out.size(), handheld_.toDesktop.size());
    std::copy_n(handheld_.toDesktop.begin(), got, out.begin());
    handheld_.toDesktop.erase(handheld_.toDesktop.begin(), handheld_.toDesktop.begin() + static_cast<long>(got));
    return LinkError::kNone;
  }
  LinkError Write(std::span<const uint8_t> bytes, stream::Clock::time_point) override {
    handheld_.FromDesktop(bytes);
    return LinkError::kNone;
  }
  std::string Detail() const override { return {}; }

 private:
  ScriptedHandheld& handheld_;
};

Bytes Message(size_t size, uint8_t seed) {
  Bytes message(size);
  for (size_t i = 0; i < size; ++i) message[i] = static_cast<uint8_t>(seed + i * 13);
  return message;
}

constexpr uint32_t kPortRates[] = {9600, 19200, 38400, 57600, 115200};

TEST(SerialTransportTest, TheWakeUpSetsTheRateAndMessagesGoInFragmentsBothWays) {
  ScriptedHandheld handheld;
  handheld.answer = Message(1500, 5);
  handheld.Wake();
  std::vector<uint32_t> switched;
  Transport transport(std::make_unique<Line>(handheld), {}, [&](uint32_t rate) {
    switched.push_back(rate);
    return true;
  });
  ASSERT_EQ(transport.Connect(kPortRates, false), LinkError::kNone) << transport.Failure();
  ASSERT_EQ(handheld.received.size(), 1u);
  EXPECT_EQ(handheld.received[0], (Bytes{kCmpInit, kCmpChangeRate, 1, 1, 0, 0, 0x00, 0x00, 0xE1, 0x00}));
  EXPECT_EQ(switched, (std::vector<uint32_t>{57600}));

  const Bytes request = Message(3000, 1);
  ASSERT_EQ(transport.Send(request), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(handheld.received.at(1), request);
  Bytes answer;
  ASSERT_EQ(transport.Receive(answer), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(answer, handheld.answer);
}

TEST(SerialTransportTest, ALostAckIsSentAgainAndAFragmentSentTwiceIsTakenOnce) {
  ScriptedHandheld handheld;
  handheld.answer = Message(2100, 9);
  handheld.duplicate = true;
  handheld.Wake();
  // The line answers at once, so the ack's wait is all the time there is.
  Transport transport(std::make_unique<Line>(handheld), {.ack = std::chrono::milliseconds(1)},
                      [](uint32_t) { return true; });
  ASSERT_EQ(transport.Connect(kPortRates, true), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(transport.rate(), kStartingRate) << "asked to stay";
  handheld.acksToDrop = 1;
  const Bytes request = Message(10, 2);
  ASSERT_EQ(transport.Send(request), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(handheld.fragmentsReceived, 3) << "the init, then the request twice";
  Bytes answer;
  ASSERT_EQ(transport.Receive(answer), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(answer, handheld.answer);
}

TEST(SerialTransportTest, AHandheldThatStopsAnsweringEndsTheLinkClearly) {
  ScriptedHandheld handheld;
  handheld.Wake();
  LinkTiming timing{.ack = std::chrono::milliseconds(1), .retries = 3, .answer = std::chrono::milliseconds(1)};
  Transport transport(std::make_unique<Line>(handheld), timing);
  ASSERT_EQ(transport.Connect(kPortRates, false), LinkError::kNone) << transport.Failure();
  EXPECT_EQ(transport.rate(), kStartingRate) << "a link without rates stays at the starting one";
  handheld.silent = true;
  EXPECT_EQ(transport.Send(Message(10, 3)), LinkError::kTimedOut);
  EXPECT_EQ(transport.Failure(), "the handheld stopped answering (no acknowledgement after 3 sendings)");
  Bytes answer;
  EXPECT_EQ(transport.Receive(answer), LinkError::kTimedOut) << "a failed link stays failed";
}

TEST(SerialTransportTest, AStopEndsTheWaitForAnAnswerAfterTheGrace) {
  ScriptedHandheld handheld;
  handheld.Wake();
  bool stop = false;
  Transport transport(std::make_unique<Line>(handheld), {}, {}, [&] { return stop; });
  ASSERT_EQ(transport.Connect(kPortRates, false), LinkError::kNone) << transport.Failure();
  handheld.answers = false;
  ASSERT_EQ(transport.Send(Message(10, 4)), LinkError::kNone) << transport.Failure();
  stop = true;  // the handheld has no answer to give: the wait lasts the grace, not the time-out
  const auto start = stream::Clock::now();
  Bytes answer;
  EXPECT_EQ(transport.Receive(answer), LinkError::kInterrupted);
  EXPECT_LT(stream::Clock::now() - start, stream::kStopGrace + std::chrono::seconds(2));
  EXPECT_EQ(transport.Failure(), "the desktop was told to stop (no answer came within 3 s of it)");
}

}  // namespace
}  // namespace oq::serial
