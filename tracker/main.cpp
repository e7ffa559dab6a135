// oq-tracker: a reference tracking server on loopback. Answers the
// conduit's queries from a catalogue file; accepts origin-form and
// absolute-form request targets, so it can also stand where a proxy would.
#include <CLI/CLI.hpp>
#include <sys/resource.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "catalog.h"
#include "http_server.h"
#include "request_log.h"
#include "tracker_replies.h"

namespace {

constexpr int kExitUsage = 2;
// Descriptors kept back from the connection limit: the catalogue, the log,
// the listening socket.
constexpr rlim_t kSpareDescriptors = 32;

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

// As many descriptors as the system lets this process have; the
// connection limit is lowered to fit them.
size_t ConnectionsThatFit(size_t wanted) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return wanted;
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > wanted + kSpareDescriptors) return wanted;
  return limit.rlim_cur > 2 * kSpareDescriptors ? static_cast<size_t>(limit.rlim_cur - kSpareDescriptors) : 1;
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
  HttpLimits limits;
  app.add_option("--max-connections", limits.connections,
                 "connections held open at once; when they are all taken, the one that has waited longest for a "
                 "request is closed to admit a new one")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
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

  limits.connections = ConnectionsThatFit(limits.connections);
  HttpServer server(
      limits,
      [&](const HttpRequest& request) -> HttpReply {
        if (request.path != "/query.php") return {404, "text/plain", "not found\n"};
        Query query;
        query.init = request.Parameter("init") == "true";
        query.creator = request.Parameter("creator");
        query.name = request.Parameter("name");
        query.userAgent = request.Header("User_Agent");
        if (query.userAgent.empty()) query.userAgent = request.Header("User-Agent");
        return {200, "text/plain", ReplyBody(query, *catalog, settings)};
      },
      [log = std::make_shared<RequestLog>(stdout)](const HttpRequest& request, const HttpReply& reply) {
        log->Write(request.method + " " + request.target + " -> " + std::to_string(reply.status) + " (from port " +
                   std::to_string(request.remotePort) + ")\n");
      });
  std::string why;
  if (!server.Listen(address->host, static_cast<uint16_t>(address->port), why)) {
    std::cerr << "oq-tracker: cannot listen on " << listen << ": " << why
              << " (address in use? another tracker may be running there)\n";
    return kExitUsage;
  }
  const bool ipv6 = address->host.find(':') != std::string::npos;
  std::printf("oq-tracker: %zu programs, listening on http://%s%s%s:%d\n", catalog->size(), ipv6 ? "[" : "",
              address->host.c_str(), ipv6 ? "]" : "", server.port());
  std::fflush(stdout);
  server.Run();
  return 0;
}
