// A small HTTP/1.1 server for tests, on an ephemeral loopback port: each
// request is answered by the test's handler, every request's bytes are
// kept, and accepted connections are counted. Besides plain answers it can
// misbehave on purpose (never answer, drop the connection mid-body, send
// the body a byte at a time, leave out a chunked body's last chunk). Stops
// and joins its threads when destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oq::test {

class ScriptedHttpServer {
 public:
  struct Request {
    std::string raw;     // the request's bytes up to and including the blank line
    std::string target;  // as sent: origin form or absolute form
  };
  enum class Behaviour {
    kAnswer,
    kNeverAnswer,
    kDropMidBody,  // declares the whole body, sends half of it, closes
    kAnswerAndClose,
    kTrickle,            // the body a byte every kTrickleInterval
    kChunkedWithoutEnd,  // one chunk of the whole body, then closes without the last chunk
  };
  static constexpr int kTrickleIntervalMs = 250;
  struct Response {
    int status = 200;
    std::string body;
    std::vector<std::string> headers;  // extra "Name: value" lines
    Behaviour behaviour = Behaviour::kAnswer;
  };
  using Handler = std::function<Response(const Request&)>;

  explicit ScriptedHttpServer(Handler handler);
  ~ScriptedHttpServer();
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  uint16_t port() const { return port_; }
  std::string Url(const std::string& path) const;  // http://127.0.0.1:port + path
  int AcceptedConnections() const { return accepted_; }
  std::vector<Request> Requests() const;

 private:
  void AcceptLoop();
  void Serve(int client);
  bool WaitReadable(int fd) const;

  Handler handler_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<int> clients_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace oq::test
