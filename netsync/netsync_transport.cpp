#include "netsync_transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

// The address this end of the connection has, as the handheld sees it.
uint32_t LocalAddress(int socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sin_family != AF_INET) {
    return 0;
  }
  return ntohl(address.sin_addr.s_addr);
}

}  // namespace

// How often a wait looks at the stop flag.
constexpr auto kStopCheck = std::chrono::milliseconds(200);

Transport::Transport(int socket, std::chrono::milliseconds timeout) : socket_(socket), timeout_(timeout) {}

Transport::~Transport() {
  if (socket_ >= 0) close(socket_);
}

std::string Transport::PeerAddress() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  char text[INET_ADDRSTRLEN] = {};
  if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sin_family != AF_INET ||
      inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) {
    return {};
  }
  return text;
}

LinkError Transport::Fail(LinkError error, const std::string& detail) {
  failed_ = error;
  failure_ = dlp::Describe(error);
  if (!detail.empty()) failure_ += " (" + detail + ")";
  return error;
}

LinkError Transport::ReadExactly(uint8_t* out, size_t length, Clock::time_point until) {
  size_t done = 0;
  while (done < length) {
    if (stopped_ && stopped_()) return Fail(LinkError::kInterrupted);
    const auto now = Clock::now();
    const auto end = std::min(until, deadline_);
    if (now >= end) {
      if (handshaking_ && end == deadline_) {
        return Fail(LinkError::kTimedOut,
                    "it did not open its HotSync within " + std::to_string(timeout_.count() / 1000) + " s");
      }
      if (end == deadline_) return Fail(LinkError::kTimedOut, "the HotSync ran past its time limit");
      return Fail(LinkError::kTimedOut, "no whole message for " + std::to_string(timeout_.count() / 1000) + " s");
    }
    const auto wait = std::min<Clock::duration>(end - now, kStopCheck);
    pollfd waiting{socket_, POLLIN, 0};
    const int ready =
        poll(&waiting, 1, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Fail(LinkError::kSystem, std::strerror(errno));
    if (ready == 0) continue;
    const ssize_t got = recv(socket_, out + done, length - done, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) return Fail(errno == ECONNRESET ? LinkError::kClosed : LinkError::kSystem, std::strerror(errno));
    if (got == 0) return Fail(LinkError::kClosed);
    done += static_cast<size_t>(got);
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
  size_t done = 0;
  while (done < frame.size()) {
    // MSG_NOSIGNAL: a handheld that hung up is an error to report, not a
    // signal that ends the desktop.
    const ssize_t sent = send(socket_, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0) {
      const bool closed = errno == EPIPE || errno == ECONNRESET;
      return Fail(closed ? LinkError::kClosed : LinkError::kSystem, std::strerror(errno));
    }
    done += static_cast<size_t>(sent);
  }
  return LinkError::kNone;
}

LinkError Transport::ReceiveFrame(std::vector<uint8_t>& payload, uint8_t& transaction) {
  if (failed_ != LinkError::kNone) return failed_;
  // The message is due whole within the time-out from its first byte on;
  // the wait for that first byte is the time-out too.
  const auto until = Clock::now() + timeout_;
  uint8_t header[kHeaderLength];
  if (auto error = ReadExactly(header, kHeaderLength, until); error != LinkError::kNone) return error;
  bytes::ByteReader reader(header);
  if (reader.U8(kHeaderTypeOffset) != kDataFrame) {
    return Fail(LinkError::kMalformed, "frame type " + std::to_string(reader.U8(kHeaderTypeOffset)));
  }
  transaction = reader.U8(kHeaderTransactionOffset);
  const uint32_t length = reader.U32Be(kHeaderLengthOffset);
  if (length > kMaxPayload) return Fail(LinkError::kTooLong, std::to_string(length) + " bytes");
  payload.resize(length);
  return ReadExactly(payload.data(), length, until);
}

LinkError Transport::Handshake(std::function<bool()> stopped) {
  // A peer that opens connections and says nothing holds no place for long.
  const auto previous = deadline_;
  deadline_ = std::min(deadline_, Clock::now() + timeout_);
  stopped_ = std::move(stopped);
  handshaking_ = true;
  const auto error = HandshakeExchanges();
  handshaking_ = false;
  stopped_ = nullptr;
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
  secondWriter.U32Be(kRitualDataOffset + kAddressOffset, LocalAddress(socket_));
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
