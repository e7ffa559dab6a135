// The desktop's listening socket for network HotSyncs.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace oq::netsync {

class Listener {
 public:
  // Listens on `address` (an IPv4 address; "0.0.0.0" for every interface)
  // and `port` (0: one the system picks). Empty, with `error` filled, when
  // the address is not one or the port is taken.
  static std::unique_ptr<Listener> Open(const std::string& address, uint16_t port, std::string& error);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  uint16_t port() const { return port_; }

  // Waits for the next handheld and returns its connected socket; -1 when
  // `stopped` said yes (it is asked a few times a second), or on a
  // failure, which `error` then names.
  int Accept(const std::function<bool()>& stopped, std::string& error);

 private:
  Listener(int socket, uint16_t port) : socket_(socket), port_(port) {}
  int socket_;
  uint16_t port_;
};

}  // namespace oq::netsync
