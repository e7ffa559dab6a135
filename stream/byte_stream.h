// A two-way stream of bytes to a handheld: a TCP connection for a network
// HotSync today; a serial line or an emulator's socket can be others. The
// framing above it (NetSync, and later the serial protocols) knows nothing
// of what carries its bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "dlp_transport.h"

namespace oq::stream {

using Clock = std::chrono::steady_clock;

class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // Some of the bytes there are, into `out` (`got` of them, at least one),
  // waiting until `until` at the most: kTimedOut when none came by then.
  virtual dlp::LinkError Read(std::span<uint8_t> out, Clock::time_point until, size_t& got) = 0;
  // All of `bytes`, or kTimedOut when the other end takes none by `until`.
  virtual dlp::LinkError Write(std::span<const uint8_t> bytes, Clock::time_point until) = 0;
  // The system's words for the last failure; empty when it had none.
  virtual std::string Detail() const = 0;

  // The other end, for people ("192.168.1.5"); empty when unknown.
  virtual std::string PeerName() const { return {}; }
  // This end's IPv4 address as the other end reaches it; 0 when it has none.
  virtual uint32_t LocalIpv4() const { return 0; }
};

}  // namespace oq::stream
