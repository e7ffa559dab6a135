// oq-tracker: a reference tracking server on loopback. Answers the
// conduit's queries from a catalogue file; accepts origin-form and
// absolute-form request targets, so it can also stand where a proxy would.
#include <CLI/CLI.hpp>
#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <thread>
#include <vector>

#include "catalog.h"
#include "request_log.h"
#include "tracker_replies.h"

namespace {

constexpr int kExitUsage = 2;
constexpr size_t kKeepAliveRequests = 1000000;  // one connection serves a whole pass
// An idle or slow client holds a worker no longer than this; a conduit
// between two queries is never idle that long.
constexpr time_t kIdleSeconds = 5;
// Workers, so that many clients (idle ones among them) are served at once.
constexpr size_t kWorkers = 64;

struct ListenAddress {
  std::string host;
  int port = 0;
};

// "ADDRESS:PORT", an IPv6 address in brackets; the port from 0 (any free
// one) to 65535.
std::optional<ListenAddress> ParseListenAddress(const std::string& text) {
  ListenAddress address;
  size_t colon;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
    address.host = text.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = text.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    address.host = text.substr(0, colon);
  }
  const std::string port = text.substr(colon + 1);
  if (address.host.empty() || port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  address.port = std::stoi(port);
  if (address.port > 65535) return std::nullopt;
  return address;
}

// Only this process may listen on its port: without SO_REUSEPORT a second
// tracker on a port in use is refused instead of sharing the queries.
void ExclusiveSocketOptions(socket_t socket) {
  int yes = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// The path of an origin-form or absolute-form target.
std::string PathOf(std::string target) {
  const auto scheme = target.find("://");
  if (scheme != std::string::npos) {
    const auto path = target.find('/', scheme + 3);
    target = path == std::string::npos ? "/" : target.substr(path);
  }
  return target;
}

std::string Parameter(const httplib::Request& request, const char* name) {
  return request.has_param(name) ? request.get_param_value(name) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace oq::tracker;
  CLI::App app{"oq-tracker: reference tracking server for the OrbitQuail conduit"};
  app.set_version_flag("--version", "oq-tracker (OrbitQuail) " ORBITQUAIL_VERSION);
  std::string catalogPath;
  std::string listen = "127.0.0.1:0";
  TrackerSettings settings;
  app.add_option("--catalog", catalogPath, "tab-separated catalogue: creator, version, date, msg")->required();
  app.add_option("--listen", listen, "address and port to listen on (port 0: any free port)");
  app.add_option("--message", settings.message, "message answered to the init query");
  app.add_option("--min-client", settings.minimumClient, "oldest conduit version served");
  app.footer(
      "Example:\n"
      "  oq-tracker --catalog /usr/share/orbitquail/sample-catalog.tsv --listen 127.0.0.1:8080\n"
      "  then: http_proxy=http://127.0.0.1:8080 oq-hotsync sync --handheld ~/handheld\n\n"
      "It prints \"listening on http://ADDRESS:PORT\" when ready and one line per request; SIGINT or SIGTERM\n"
      "stop it. It reads no environment variables.\n\n"
      "Exit status: 0 after a clean stop; 2 bad options, an unreadable catalogue, or an address in use.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  }

  const auto address = ParseListenAddress(listen);
  if (!address) {
    std::cerr << "oq-tracker: --listen takes ADDRESS:PORT with a port from 0 (any free one) to 65535, for example "
                 "127.0.0.1:8080 or [::1]:0\n";
    return kExitUsage;
  }

  std::string error;
  std::vector<std::string> warnings;
  auto catalog = Catalog::Load(catalogPath, error, warnings);
  for (const auto& warning : warnings) std::cerr << "oq-tracker: warning: " << warning << "\n";
  if (!catalog) {
    std::cerr << "oq-tracker: " << error << "\n";
    return kExitUsage;
  }

  // SIGINT and SIGTERM stop the server from a thread of its own.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  server.set_socket_options(ExclusiveSocketOptions);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  server.set_keep_alive_timeout(kIdleSeconds);
  server.set_read_timeout(kIdleSeconds);
  server.set_write_timeout(kIdleSeconds);
  server.set_tcp_nodelay(true);  // small replies, answered at once
  server.Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
    if (PathOf(request.path) != "/query.php") {
      response.status = 404;
      response.set_content("not found\n", "text/plain");
      return;
    }
    Query query;
    query.init = Parameter(request, "init") == "true";
    query.creator = Parameter(request, "creator");
    query.name = Parameter(request, "name");
    query.userAgent = request.has_header("User_Agent") ? request.get_header_value("User_Agent")
                                                       : request.get_header_value("User-Agent");
    response.set_content(ReplyBody(query, *catalog, settings), "text/plain");
  });
  RequestLog log(stdout);
  server.set_logger([&log](const httplib::Request& request, const httplib::Response& response) {
    log.Write(request.method + " " + request.target + " -> " + std::to_string(response.status) + " (from port " +
              std::to_string(request.remote_port) + ")\n");
  });

  const int port = address->port == 0 ? server.bind_to_any_port(address->host)
                                      : (server.bind_to_port(address->host, address->port) ? address->port : -1);
  if (port <= 0) {
    std::cerr << "oq-tracker: cannot listen on " << listen << ": " << std::strerror(errno)
              << " (address in use? another tracker may be running there)\n";
    return kExitUsage;
  }
  const bool ipv6 = address->host.find(':') != std::string::npos;
  std::printf("oq-tracker: %zu programs, listening on http://%s%s%s:%d\n", catalog->size(), ipv6 ? "[" : "",
              address->host.c_str(), ipv6 ? "]" : "", port);
  std::fflush(stdout);

  // A stop that comes before the server runs waits for it, so that no
  // signal is lost; `served` ends the wait when the server never ran.
  std::atomic<bool> served{false};
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    while (!server.is_running() && !served) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    server.stop();
  });
  const bool listened = server.listen_after_bind();
  served = true;
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return listened ? 0 : kExitUsage;
}
