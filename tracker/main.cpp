// oq-tracker: a reference tracking server on loopback. Answers the
// conduit's queries from a catalogue file; accepts origin-form and
// absolute-form request targets, so it can also stand where a proxy would.
#include <CLI/CLI.hpp>
#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <thread>

#include "catalog.h"
#include "request_log.h"
#include "tracker_replies.h"

namespace {

constexpr int kExitUsage = 2;
constexpr size_t kKeepAliveRequests = 1000000;  // one connection serves a whole pass
constexpr time_t kKeepAliveSeconds = 60;

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
  std::string catalogPath;
  std::string listen = "127.0.0.1:0";
  TrackerSettings settings;
  app.add_option("--catalog", catalogPath, "tab-separated catalogue: creator, version, date, msg")->required();
  app.add_option("--listen", listen, "address and port to listen on (port 0: any free port)");
  app.add_option("--message", settings.message, "message answered to the init query");
  app.add_option("--min-client", settings.minimumClient, "oldest conduit version served");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  }

  const auto colon = listen.rfind(':');
  if (colon == std::string::npos) {
    std::cerr << "oq-tracker: --listen takes ADDRESS:PORT, for example 127.0.0.1:8080\n";
    return kExitUsage;
  }
  const std::string host = listen.substr(0, colon);
  const int requestedPort = std::atoi(listen.c_str() + colon + 1);

  std::string error;
  auto catalog = Catalog::Load(catalogPath, error);
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
  server.set_keep_alive_max_count(kKeepAliveRequests);
  server.set_keep_alive_timeout(kKeepAliveSeconds);
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

  const int port = requestedPort == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, requestedPort) ? requestedPort : -1);
  if (port <= 0) {
    std::cerr << "oq-tracker: cannot listen on " << listen << "\n";
    return kExitUsage;
  }
  std::printf("oq-tracker: %zu programs, listening on http://%s:%d\n", catalog->size(), host.c_str(), port);
  std::fflush(stdout);

  std::thread stopper([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    server.stop();
  });
  server.listen_after_bind();
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
