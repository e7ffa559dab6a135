// The tracker's HTTP/1.1 server. One thread serves every connection from
// an event loop, so a slow or idle client costs a socket and a bounded
// buffer, never a worker that another client waits for; each request must
// arrive whole within a deadline, its header is bounded, and when the
// connections run out the one that has waited longest for a request makes
// room for the newcomer.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oq::tracker {

struct HttpRequest {
  std::string method;
  std::string target;                             // as sent
  std::string path;                               // of an origin-form or absolute-form target
  std::map<std::string, std::string> parameters;  // the query's, decoded; the first of a repeated name
  std::vector<std::pair<std::string, std::string>> headers;
  uint16_t remotePort = 0;

  std::string Parameter(const std::string& name) const;
  std::string Header(std::string_view name) const;  // "" when absent; the name in any case
};

struct HttpReply {
  int status = 200;
  std::string contentType = "text/plain";
  std::string body;
};

struct HttpLimits {
  // From the end of one reply (or the connection's start) to the end of the
  // next request; also the time a client has to take a reply.
  std::chrono::milliseconds requestTime{std::chrono::seconds(5)};
  size_t headerBytes = 16 * 1024;
  size_t headerFields = 100;
  size_t bodyBytes = 64 * 1024;
  size_t connections = 1024;
};

class HttpServer {
 public:
  using Handler = std::function<HttpReply(const HttpRequest&)>;
  using Logger = std::function<void(const HttpRequest&, const HttpReply&)>;

  HttpServer(const HttpLimits& limits, Handler handler, Logger logger);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on host:port (0: any free port); false with `error` set when it
  // cannot. No other process may share the port.
  bool Listen(const std::string& host, uint16_t port, std::string& error);
  uint16_t port() const;

  // SIGHUP runs `reopen` (a log rotated away is opened again) and never
  // ends the server.
  void OnHangUp(std::function<void()> reopen);
  // `work` every `every` while the server runs, on the thread that serves
  // the requests, so it needs no lock against the handler.
  void Every(std::chrono::milliseconds every, std::function<void()> work);

  // Serves until SIGINT or SIGTERM; the signals are caught from the moment
  // the server is made, so none is lost before this runs.
  void Run();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Splits a request target into its path and decoded query parameters.
void ParseTarget(const std::string& target, std::string& path, std::map<std::string, std::string>& parameters);

}  // namespace oq::tracker
