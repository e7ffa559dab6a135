// oq-tracker: the tracking server. Answers the conduit's queries from a
// catalogue database (--db) or a catalogue file (--catalog); counts the
// programs asked for that it lacks; shows a status page. Accepts
// origin-form and absolute-form request targets, so it can also stand
// where a proxy would. `oq-tracker db ...` and `oq-tracker unknown` are the
// maintainers' commands.
#include <CLI/CLI.hpp>
#include <sys/resource.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "catalog.h"
#include "catalog_db.h"
#include "catalog_views.h"
#include "db_commands.h"
#include "http_server.h"
#include "request_log.h"
#include "tracker_replies.h"
#include "unknown_counter.h"

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

// The catalogue to serve: the database, or the file loaded into one in
// memory (its warnings said, as ever).
std::unique_ptr<oq::tracker::CatalogDb> OpenCatalogue(const std::string& dbPath, const std::string& catalogPath) {
  using namespace oq::tracker;
  std::string error;
  if (!dbPath.empty()) {
    auto db = CatalogDb::OpenFile(dbPath, CatalogDb::Open::kExisting, error);
    if (!db) std::cerr << "oq-tracker: " << error << "\n";
    return db;
  }
  std::vector<std::string> warnings;
  auto catalog = Catalog::Load(catalogPath, error, warnings);
  for (const auto& warning : warnings) std::cerr << "oq-tracker: warning: " << warning << "\n";
  if (!catalog) {
    std::cerr << "oq-tracker: " << error << "\n";
    return nullptr;
  }
  auto db = CatalogDb::OpenFile(":memory:", CatalogDb::Open::kMemory, error);
  if (auto imported = db ? db->Import(RowsOf(*catalog)) : oq::Outcome::Failed(error); !imported.ok()) {
    std::cerr << "oq-tracker: " << catalogPath << ": " << imported.failure() << "\n";
    return nullptr;
  }
  return db;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace oq::tracker;
  CLI::App app{"oq-tracker: tracking server for the OrbitQuail conduit"};
  app.set_version_flag("--version", "oq-tracker (OrbitQuail) " ORBITQUAIL_VERSION);
  app.require_subcommand(0, 1);
  std::string catalogPath, dbPath, logPath;
  std::string listen = "127.0.0.1:0";
  TrackerSettings settings;
  auto* catalogOption = app.add_option("--catalog", catalogPath,
                                       "tab-separated catalogue file (creator, version, date, msg), served "
                                       "from memory");
  auto* dbOption = app.add_option("--db", dbPath, "catalogue database (see `oq-tracker db --help`)");
  catalogOption->excludes(dbOption);
  app.add_option("--listen", listen, "address and port to listen on (port 0: any free port)");
  app.add_option("--message", settings.message, "message answered to the init query");
  app.add_option("--min-client", settings.minimumClient, "oldest conduit version served");
  app.add_option("--log", logPath,
                 "append the request log to this file (default: standard output); SIGHUP opens "
                 "it again");
  HttpLimits limits;
  app.add_option("--max-connections", limits.connections,
                 "connections held open at once; when they are all taken, the one that has waited longest for a "
                 "request is closed to admit a new one")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.footer(
      "Examples:\n"
      "  oq-tracker --catalog /usr/share/orbitquail/sample-catalog.tsv --listen 127.0.0.1:8080\n"
      "  then: http_proxy=http://127.0.0.1:8080 oq-hotsync sync --handheld ~/handheld\n"
      "  oq-tracker db init --db tracker.db && oq-tracker db import --db tracker.db programs.tsv\n"
      "  oq-tracker --db tracker.db --listen 0.0.0.0:8080\n\n"
      "It prints \"listening on http://ADDRESS:PORT\" when ready and one line per request; SIGINT or SIGTERM\n"
      "stop it. GET / shows a status page, GET /catalog.json the catalogue. It reads no environment variables.\n\n"
      "Exit status: 0 after a clean stop or a command done; 1 a database write failed (the catalogue is as it was);\n"
      "2 bad options, a bad row, an unreadable or foreign catalogue, or an address in use.");

  auto* db = app.add_subcommand("db", "make and change a catalogue database (--db FILE)");
  db->fallthrough()->require_subcommand(1);
  db->add_subcommand("init", "make an empty catalogue (or upgrade an older one)");
  std::string tsvPath;
  db->add_subcommand("import", "add or update every program of a catalogue file, all or none")
      ->fallthrough()
      ->add_option("FILE.tsv", tsvPath, "tab-separated: creator, version, date, msg")
      ->required();
  db->add_subcommand("export", "print the catalogue as a file `db import` and --catalog read")->fallthrough();
  ProgramRow row;
  auto* set = db->add_subcommand("set", "add a program or change its latest version")->fallthrough();
  set->add_option("CREATOR", row.creator, "the program's four-character creator code")->required();
  set->add_option("VERSION", row.entry.version, "its latest version (dotted numbers, such as 2.4)")->required();
  set->add_option("DATE", row.entry.date, "its release date, YYYY/MM/DD")->required();
  set->add_option("MSG", row.entry.msg, "what the handheld shows about it");
  std::string removed;
  db->add_subcommand("remove", "take a program out of the catalogue")
      ->fallthrough()
      ->add_option("CREATOR", removed, "its creator code")
      ->required();
  bool json = false;
  auto* list = db->add_subcommand("list", "list the catalogue's programs")->fallthrough();
  list->add_flag("--json", json, "as a JSON array");
  size_t top = 20;
  auto* unknown = app.add_subcommand("unknown", "the programs asked for that the catalogue lacks, most asked first");
  unknown->fallthrough();
  unknown->add_option("--top", top, "how many (default 20)")->check(CLI::PositiveNumber);
  unknown->add_flag("--json", json, "as a JSON array");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  }

  if (*db) {
    const auto* chosen = db->get_subcommands().front();
    const std::string name = chosen->get_name();
    if (name == "init") return RunDbInit(dbPath);
    if (name == "import") return RunDbImport(dbPath, tsvPath);
    if (name == "export") return RunDbExport(dbPath);
    if (name == "set") return RunDbSet(dbPath, row.creator, row.entry.version, row.entry.date, row.entry.msg);
    if (name == "remove") return RunDbRemove(dbPath, removed);
    return RunDbList(dbPath, json);
  }
  if (*unknown) return RunUnknown(dbPath, top, json);

  if (catalogPath.empty() && dbPath.empty()) {
    std::cerr << "oq-tracker: give --db FILE (a catalogue database) or --catalog FILE.tsv to serve\n";
    return kExitUsage;
  }
  const auto address = ParseListenAddress(listen);
  if (!address) {
    std::cerr << "oq-tracker: --listen takes ADDRESS:PORT with a port from 0 (any free one) to 65535, for example "
                 "127.0.0.1:8080 or [::1]:0\n";
    return kExitUsage;
  }
  auto catalogue = OpenCatalogue(dbPath, catalogPath);
  if (!catalogue) return kExitUsage;
  std::shared_ptr<RequestLog> log;
  if (logPath.empty()) {
    log = std::make_shared<RequestLog>(stdout);
  } else {
    std::string error;
    if (!(log = RequestLog::ToFile(logPath, error))) {
      std::cerr << "oq-tracker: " << error << "\n";
      return kExitUsage;
    }
  }

  UnknownCounter unknownPrograms;
  limits.connections = ConnectionsThatFit(limits.connections);
  HttpServer server(
      limits,
      [&](const HttpRequest& request) -> HttpReply {
        if (request.path == "/") {
          unknownPrograms.Flush(*catalogue, false);
          return {200, "text/html; charset=utf-8", StatusPage(*catalogue, settings)};
        }
        if (request.path == "/catalog.json") return {200, "application/json", ProgramsJson(catalogue->Programs())};
        if (request.path != "/query.php") return {404, "text/plain", "not found\n"};
        Query query;
        query.init = request.Parameter("init") == "true";
        query.creator = request.Parameter("creator");
        query.name = request.Parameter("name");
        query.userAgent = request.Header("User_Agent");
        if (query.userAgent.empty()) query.userAgent = request.Header("User-Agent");
        const auto found = query.creator.empty() ? std::nullopt : catalogue->Find(query.creator);
        if (!query.init && !query.creator.empty() && !found) {
          unknownPrograms.Add(query.creator, query.name, request.Parameter("ver"));
        }
        return {200, "text/plain", ReplyBody(query, found ? &*found : nullptr, settings)};
      },
      [log](const HttpRequest& request, const HttpReply& reply) {
        log->Write(request.method + " " + request.target + " -> " + std::to_string(reply.status) + " (from port " +
                   std::to_string(request.remotePort) + ")\n");
      });
  server.OnHangUp([log] { log->Reopen(); });
  server.Every(std::chrono::duration_cast<std::chrono::milliseconds>(UnknownCounter::kFlushEvery),
               [&] { unknownPrograms.Flush(*catalogue, false); });
  std::string why;
  if (!server.Listen(address->host, static_cast<uint16_t>(address->port), why)) {
    std::cerr << "oq-tracker: cannot listen on " << listen << ": " << why
              << " (address in use? another tracker may be running there)\n";
    return kExitUsage;
  }
  const bool ipv6 = address->host.find(':') != std::string::npos;
  std::printf("oq-tracker: %zu programs, listening on http://%s%s%s:%d\n", catalogue->ProgramCount(), ipv6 ? "[" : "",
              address->host.c_str(), ipv6 ? "]" : "", server.port());
  std::fflush(stdout);
  server.Run();
  unknownPrograms.Flush(*catalogue, true);
  return 0;
}
