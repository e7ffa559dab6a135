#include "socket_stream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "poll_wait.h"

namespace oq::stream {

using dlp::LinkError;

SocketStream::~SocketStream() {
  if (socket_ >= 0) close(socket_);
}

LinkError SocketStream::Fail(LinkError error) {
  detail_ = std::strerror(errno);
  return error;
}

LinkError SocketStream::Wait(short events, Clock::time_point until) {
  short returned = 0;
  const auto error = PollUntil(socket_, events, until, returned);
  return error == LinkError::kSystem ? Fail(error) : error;
}

LinkError SocketStream::Read(std::span<uint8_t> out, Clock::time_point until, size_t& got) {
  got = 0;
  for (;;) {
    if (auto error = Wait(POLLIN, until); error != LinkError::kNone) return error;
    const ssize_t received = recv(socket_, out.data(), out.size(), 0);
    if (received < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (received < 0) return Fail(errno == ECONNRESET ? LinkError::kClosed : LinkError::kSystem);
    if (received == 0) return LinkError::kClosed;
    got = static_cast<size_t>(received);
    return LinkError::kNone;
  }
}

LinkError SocketStream::Write(std::span<const uint8_t> bytes, Clock::time_point until) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (auto error = Wait(POLLOUT, until); error != LinkError::kNone) return error;
    // MSG_NOSIGNAL: a handheld that hung up is an error to report, not a
    // signal that ends the desktop.
    const ssize_t sent = send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (sent < 0) return Fail(errno == EPIPE || errno == ECONNRESET ? LinkError::kClosed : LinkError::kSystem);
    done += static_cast<size_t>(sent);
  }
  return LinkError::kNone;
}

std::string SocketStream::PeerName() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  char text[INET_ADDRSTRLEN] = {};
  if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sin_family != AF_INET ||
      inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) {
    return {};
  }
  return text;
}

uint32_t SocketStream::LocalIpv4() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sin_family != AF_INET) {
    return 0;
  }
  return ntohl(address.sin_addr.s_addr);
}

}  // namespace oq::stream
