// A connected TCP socket as a byte stream.
#pragma once

#include "byte_stream.h"

namespace oq::stream {

class SocketStream : public ByteStream {
 public:
  // Takes over the socket, which it closes.
  explicit SocketStream(int socket) : socket_(socket) {}
  ~SocketStream() override;
  SocketStream(const SocketStream&) = delete;
  SocketStream& operator=(const SocketStream&) = delete;

  dlp::LinkError Read(std::span<uint8_t> out, Clock::time_point until, size_t& got) override;
  dlp::LinkError Write(std::span<const uint8_t> bytes, Clock::time_point until) override;
  std::string Detail() const override { return detail_; }
  std::string PeerName() const override;
  uint32_t LocalIpv4() const override;

 private:
  // Waits for `events` until `until`: kNone once they came.
  dlp::LinkError Wait(short events, Clock::time_point until);
  dlp::LinkError Fail(dlp::LinkError error);

  int socket_;
  std::string detail_;
};

}  // namespace oq::stream
