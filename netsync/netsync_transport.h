// Network HotSync: DLP packets over a byte stream (a TCP connection, or the
// serial port of a USB cradle that speaks the same framing), each framed by
// a 6-byte header.
//
// Frame: 0 type (1: data), 1 transaction id, 2 payload length (32 bits,
// big-endian), 6 payload. The handheld opens the connection and speaks
// first; three fixed exchanges (the handshake) come before the first DLP
// request. The desktop numbers its requests; the handheld answers each
// with the same number.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "byte_stream.h"
#include "stop_clock.h"
#include "dlp_transport.h"

namespace oq::netsync {

inline constexpr uint16_t kDefaultPort = 14238;

inline constexpr size_t kHeaderLength = 6;
inline constexpr size_t kHeaderTypeOffset = 0;
inline constexpr size_t kHeaderTransactionOffset = 1;
inline constexpr size_t kHeaderLengthOffset = 2;
inline constexpr uint8_t kDataFrame = 1;
// Larger than any DLP 1.2 packet (one 64 KiB argument and headers): a
// longer length is a broken or hostile peer, refused before any allocation.
inline constexpr uint32_t kMaxPayload = 128 * 1024;

class Transport : public dlp::Transport {
 public:
  using Clock = stream::Clock;

  // Frames DLP over `stream`. Each message of the handheld must be whole
  // within `timeout` (a peer that trickles bytes gains nothing), and no
  // wait goes past the deadline. Once `stopped` says yes (it is asked a few
  // times a second), a wait for the handheld ends: at once in the
  // handshake; in a HotSync, after stream::kStopGrace, so that an answer on its way
  // still comes and the handheld can be told the HotSync did not complete.
  Transport(std::unique_ptr<stream::ByteStream> stream, std::chrono::milliseconds timeout,
            std::function<bool()> stopped = {});

  // The opening exchange, the handheld speaking first; whole within the
  // time-out.
  dlp::LinkError Handshake();
  // The handheld, for people ("192.168.1.5"); empty when unknown.
  std::string PeerAddress() const { return stream_->PeerName(); }
  // The end of the whole HotSync: no wait goes past it.
  void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }

  dlp::LinkError Send(std::span<const uint8_t> packet) override;
  dlp::LinkError Receive(std::vector<uint8_t>& packet) override;
  std::string Failure() const override { return failure_; }

 private:
  dlp::LinkError HandshakeExchanges();
  dlp::LinkError SendFrame(std::span<const uint8_t> payload, uint8_t transaction);
  dlp::LinkError ReceiveFrame(std::vector<uint8_t>& payload, uint8_t& transaction);
  dlp::LinkError ReadExactly(std::span<uint8_t> out, Clock::time_point until);
  dlp::LinkError Fail(dlp::LinkError error, const std::string& detail = {});

  std::unique_ptr<stream::ByteStream> stream_;
  std::chrono::milliseconds timeout_;
  stream::StopClock stop_;
  bool handshaking_ = false;
  Clock::time_point deadline_ = Clock::time_point::max();
  uint8_t transaction_ = 0xFF;
  dlp::LinkError failed_ = dlp::LinkError::kNone;
  std::string failure_;
};

}  // namespace oq::netsync
