// A real tinyproxy on a loopback port, requiring Basic authentication and
// passing every request on to an upstream "proxy" (a test server), so that
// requests for the built-in tracker host reach loopback. Stopped when
// destroyed.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

#include "test_environment.h"

namespace oq::test {

class TinyProxy {
 public:
  TinyProxy(const std::string& user, const std::string& password, uint16_t upstreamPort);
  ~TinyProxy();
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  bool running() const { return pid_ > 0 && port_ != 0; }
  uint16_t port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  uint16_t port_ = 0;
};

// A port that was free a moment ago, for programs that cannot bind port 0
// and report it.
uint16_t FreeLoopbackPort();

}  // namespace oq::test
