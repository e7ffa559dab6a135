#include "netsync_transport.h"

#include <algorithm>

#include "byte_codec.h"

namespace oq::netsync {

namespace {

using dlp::LinkError;

// The handshake's messages. Their meaning is not published; these are the
// bytes handhelds are known to send and accept. Each is laid out like a
// request with one argument of id 0x20 whose header has 32-bit fields:
// 0 command, 1 argument count (1), 2 zero (32 bits), 6 argument id
// (32 bits), 10 argument length (32 bits), 14 argument data.
constexpr size_t kRitualCommandOffset = 0;
constexpr size_t kRitualArgumentCountOffset = 1;
constexpr size_t kRitualArgumentIdOffset = 6;
constexpr size_t kRitualArgumentLengthOffset = 10;
constexpr size_t kRitualDataOffset = 14;
constexpr uint32_t kRitualArgumentId = 0x20;

// The handheld's opening message, and what each of the desktop's two
// messages is answered with.
constexpr uint8_t kHandheldHello = 0x90;
constexpr uint8_t kDesktopSecond = 0x12;
constexpr uint8_t kDesktopThird = 0x13;

// The desktop's second message: 36 bytes of data, 50 in all.
// Data: 0 0xFFFFFFFF, 4 and 6 a pair of 0x3C00 (the handheld answers them
// byte-swapped), 8 zero (64 bits), 16 the desktop's IPv4 address, 20 0x0427,
// then zeros.
constexpr size_t kSecondDataLength = 36;
constexpr size_t kThirdDataLength = 32;
constexpr size_t kMarkerOffset = 0;
constexpr uint32_t kMarker = 0xFFFFFFFF;
constexpr size_t kWindowOffset = 4;
constexpr size_t kWindowRepeatOffset = 6;
constexpr uint16_t kDesktopWindow = 0x3C00;
constexpr uint16_t kThirdWindow = 0x003C;
constexpr size_t kAddressOffset = 16;
constexpr size_t kSecondTrailerOffset = 20;
constexpr uint16_t kSecondTrailer = 0x0427;
// The third message's data: 0 0xFFFFFFFF, 4 and 6 0x003C, 12 one (32 bits).
constexpr size_t kThirdFlagOffset = 12;
constexpr uint32_t kThirdFlag = 1;

std::vector<uint8_t> RitualMessage(uint8_t command, size_t dataLength) {
  std::vector<uint8_t> message(kRitualDataOffset + dataLength, 0);
  bytes::ByteWriter writer(message);
  writer.U8(kRitualCommandOffset, command);
  writer.U8(kRitualArgumentCountOffset, 1);
  writer.U32Be(kRitualArgumentIdOffset, kRitualArgumentId);
  writer.U32Be(kRitualArgumentLengthOffset, static_cast<uint32_t>(dataLength));
  writer.U32Be(kRitualDataOffset + kMarkerOffset, kMarker);
  return message;
}

}  // namespace

using stream::kStopCheck;
using stream::kStopGrace;

Transport::Transport(std::unique_ptr<stream::ByteStream> stream, std::chrono::milliseconds timeout,
                     std::function<bool()> stopped)
    : stream_(std::move(stream)), timeout_(timeout), stop_(std::move(stopped)) {}

LinkError Transport::Fail(LinkError error, const std::string& detail) {
  failed_ = error;
  failure_ = dlp::DescribeFailure(error, detail);
  return error;
}

LinkError Transport::ReadExactly(std::span<uint8_t> out, Clock::time_point until) {
  size_t done = 0;
  while (done < out.size()) {
    const auto now = Clock::now();
    if (const auto stopEnds = stop_.Ends(handshaking_ ? Clock::duration{} : kStopGrace); stopEnds && now >= *stopEnds) {
      return Fail(LinkError::kInterrupted,
                  handshaking_ ? "" : "no answer came within " + std::to_string(kStopGrace.count()) + " s of it");
    }
    const auto end = std::min(until, deadline_);
    if (now >= end) {
      if (handshaking_ && end == deadline_) {
        return Fail(LinkError::kTimedOut,
                    "it did not open its HotSync within " + std::to_string(timeout_.count() / 1000) + " s");
      }
      if (end == deadline_) return Fail(LinkError::kTimedOut, "the HotSync ran past its time limit");
      return Fail(LinkError::kTimedOut, "no whole message for " + std::to_string(timeout_.count() / 1000) + " s");
    }
    size_t got = 0;
    const auto error = stream_->Read(out.subspan(done), std::min(end, now + kStopCheck), got);
    if (error == LinkError::kTimedOut) continue;
    if (error != LinkError::kNone) return Fail(error, stream_->Detail());
    done += got;
  }
  return LinkError::kNone;
}

LinkError Transport::SendFrame(std::span<const uint8_t> payload, uint8_t transaction) {
  if (failed_ != LinkError::kNone) return failed_;
  std::vector<uint8_t> frame(kHeaderLength);
  bytes::ByteWriter writer(frame);
  writer.U8(kHeaderTypeOffset, kDataFrame);
  writer.U8(kHeaderTransactionOffset, transaction);
  writer.U32Be(kHeaderLengthOffset, static_cast<uint32_t>(payload.size()));
  frame.insert(frame.end(), payload.begin(), payload.end());
  const auto until = std::min(deadline_, Clock::now() + timeout_);
  if (auto error = stream_->Write(frame, until); error != LinkError::kNone) {
    if (error == LinkError::kTimedOut) {
      return Fail(error, "it took no bytes for " + std::to_string(timeout_.count() / 1000) + " s");
    }
    return Fail(error, stream_->Detail());
  }
  return LinkError::kNone;
}

LinkError Transport::ReceiveFrame(std::vector<uint8_t>& payload, uint8_t& transaction) {
  if (failed_ != LinkError::kNone) return failed_;
  // The message is due whole within the time-out from its first byte on;
  // the wait for that first byte is the time-out too.
  const auto until = Clock::now() + timeout_;
  uint8_t header[kHeaderLength];
  if (auto error = ReadExactly(header, until); error != LinkError::kNone) return error;
  bytes::ByteReader reader(header);
  if (reader.U8(kHeaderTypeOffset) != kDataFrame) {
    return Fail(LinkError::kMalformed, "frame type " + std::to_string(reader.U8(kHeaderTypeOffset)));
  }
  transaction = reader.U8(kHeaderTransactionOffset);
  const uint32_t length = reader.U32Be(kHeaderLengthOffset);
  if (length > kMaxPayload) return Fail(LinkError::kTooLong, std::to_string(length) + " bytes");
  payload.resize(length);
  return ReadExactly(payload, until);
}

LinkError Transport::Handshake() {
  // A peer that opens connections and says nothing holds no place for long.
  const auto previous = deadline_;
  deadline_ = std::min(deadline_, Clock::now() + timeout_);
  handshaking_ = true;
  const auto error = HandshakeExchanges();
  handshaking_ = false;
  deadline_ = previous;
  return error;
}

LinkError Transport::HandshakeExchanges() {
  std::vector<uint8_t> payload;
  uint8_t transaction = 0;
  if (auto error = ReceiveFrame(payload, transaction); error != LinkError::kNone) return error;
  if (payload.empty() || payload[kRitualCommandOffset] != kHandheldHello) {
    return Fail(LinkError::kMalformed, "not the opening of a network HotSync");
  }
  transaction_ = transaction;

  auto second = RitualMessage(kDesktopSecond, kSecondDataLength);
  bytes::ByteWriter secondWriter(second);
  secondWriter.U16Be(kRitualDataOffset + kWindowOffset, kDesktopWindow);
  secondWriter.U16Be(kRitualDataOffset + kWindowRepeatOffset, kDesktopWindow);
  secondWriter.U32Be(kRitualDataOffset + kAddressOffset, stream_->LocalIpv4());
  secondWriter.U16Be(kRitualDataOffset + kSecondTrailerOffset, kSecondTrailer);
  if (auto error = Send(second); error != LinkError::kNone) return error;
  if (auto error = ReceiveFrame(payload, transaction); error != LinkError::kNone) return error;

  auto third = RitualMessage(kDesktopThird, kThirdDataLength);
  bytes::ByteWriter thirdWriter(third);
  thirdWriter.U16Be(kRitualDataOffset + kWindowOffset, kThirdWindow);
  thirdWriter.U16Be(kRitualDataOffset + kWindowRepeatOffset, kThirdWindow);
  thirdWriter.U32Be(kRitualDataOffset + kThirdFlagOffset, kThirdFlag);
  if (auto error = Send(third); error != LinkError::kNone) return error;
  return ReceiveFrame(payload, transaction);
}

LinkError Transport::Send(std::span<const uint8_t> packet) {
  // Transaction ids run 1 to 0xFE, skipping the two the handheld reserves.
  transaction_ = transaction_ >= 0xFE ? 1 : static_cast<uint8_t>(transaction_ + 1);
  return SendFrame(packet, transaction_);
}

LinkError Transport::Receive(std::vector<uint8_t>& packet) {
  uint8_t transaction = 0;
  if (auto error = ReceiveFrame(packet, transaction); error != LinkError::kNone) return error;
  if (transaction != transaction_) {
    return Fail(LinkError::kMalformed, "an answer to request " + std::to_string(transaction) + " while " +
                                           std::to_string(transaction_) + " was due");
  }
  return LinkError::kNone;
}

}  // namespace oq::netsync
