#include "netsync_listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "stop_clock.h"

namespace oq::netsync {

namespace {

// Connections the system holds before they are accepted; they are taken
// at once, so this only bridges a burst.
constexpr int kBacklog = 16;

}  // namespace

std::unique_ptr<Listener> Listener::Open(const std::string& address, uint16_t port, std::string& error) {
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &bound.sin_addr) != 1) {
    error = "\"" + address + "\" is not an IPv4 address";
    return nullptr;
  }
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) {
    error = std::string("cannot open a socket: ") + std::strerror(errno);
    return nullptr;
  }
  const int yes = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (bind(socket, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0 || listen(socket, kBacklog) != 0) {
    error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    close(socket);
    return nullptr;
  }
  socklen_t length = sizeof bound;
  getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length);
  return std::unique_ptr<Listener>(new Listener(socket, ntohs(bound.sin_port)));
}

Listener::~Listener() { close(socket_); }

int Listener::Accept(const std::function<bool()>& stopped, std::string& error) {
  while (!stopped()) {
    pollfd waiting{socket_, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(stream::kStopCheck.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      error = std::string("waiting for a handheld failed: ") + std::strerror(errno);
      return -1;
    }
    if (ready == 0) continue;
    const int connection = accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
      if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) continue;
      error = std::string("accepting a handheld failed: ") + std::strerror(errno);
      return -1;
    }
    // Requests are small and each waits for its answer.
    const int yes = 1;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    return connection;
  }
  return -1;
}

}  // namespace oq::netsync
