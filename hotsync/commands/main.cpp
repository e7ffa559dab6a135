// oq-hotsync: the desktop host that stands where the HotSync Manager would,
// loading the conduit and calling its exports against a handheld image.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "output_style.h"

namespace {

constexpr const char* kEnvironment =
    "Environment:\n"
    "  http_proxy                the proxy the conduit's queries go through (lower case only):\n"
    "                            http_proxy=http://127.0.0.1:PORT reaches an oq-tracker on this machine\n"
    "  ORBITQUAIL_HOME           the desktop folder: the conduit's settings, the HotSync users and their\n"
    "                            install queues (default ~/.local/share/orbitquail)\n"
    "  ORBITQUAIL_HTTP_TIMEOUT   seconds to wait to connect and for each piece of an answer (default 60)\n"
    "  ORBITQUAIL_DIALOG_SCRIPT  commands that drive the configuration dialog without a person\n";
constexpr const char* kExitStatus =
    "Exit status: 0 tracked (or done); 1 the conduit failed or a file could not be written; 2 bad input;\n"
    "3 nothing was tracked (do-nothing action, tracked within the period, no catalogue);\n"
    "4 (show --outdated) some program has a newer version.";

std::string Footer(const std::string& examples) {
  return "Example:\n" + examples + "\n" + kEnvironment + "\n" + kExitStatus;
}

bool HasCommand(CLI::App& app, const std::string& name) {
  const auto commands = app.get_subcommands([&](CLI::App* command) { return command->check_name(name); });
  return !commands.empty();
}

// The command a mistyped one is likely to be: within two edits.
std::string NearestCommand(CLI::App& app, const std::string& typed) {
  std::string nearest;
  size_t best = 3;
  for (const auto* command : app.get_subcommands([](CLI::App*) { return true; })) {
    const std::string& name = command->get_name();
    std::vector<size_t> row(name.size() + 1);
    for (size_t j = 0; j <= name.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= typed.size(); ++i) {
      size_t diagonal = row[0];
      row[0] = i;
      for (size_t j = 1; j <= name.size(); ++j) {
        const size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (typed[i - 1] == name[j - 1] ? 0 : 1)});
        diagonal = above;
      }
    }
    if (row[name.size()] < best) {
      best = row[name.size()];
      nearest = name;
    }
  }
  return nearest;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace oq::hotsync;
  CLI::App app{"oq-hotsync: run the OrbitQuail conduit against a handheld image"};
  app.set_version_flag("--version", "oq-hotsync (OrbitQuail) " ORBITQUAIL_VERSION);
  app.require_subcommand(1);
  app.footer(
      Footer("  oq-tracker --catalog /usr/share/orbitquail/sample-catalog.tsv --listen 127.0.0.1:8080 &\n"
             "  http_proxy=http://127.0.0.1:8080 oq-hotsync sync --handheld ~/handheld --user Me\n"
             "  oq-hotsync show --outdated --handheld ~/handheld\n"));

  SyncOptions sync;
  auto* syncCommand = app.add_subcommand("sync", "one HotSync of the conduit against a handheld image");
  syncCommand->add_option("--handheld", sync.handheld, "folder holding the handheld's database files")->required();
  syncCommand->add_option("--user", sync.user, "HotSync user name (default: the folder's name)");
  syncCommand->add_option("--action", sync.action, "HotSync action passed to the conduit (6: do nothing)");
  syncCommand->add_option("--conduit", sync.conduit, "conduit library to load");
  syncCommand->add_flag("--no-catalog", sync.noCatalog,
                        "use the catalogue as it is instead of refreshing it from the installed programs");
  syncCommand->add_flag("--force", sync.force,
                        "track now: Synchronize (or --action) past the tracking period, for this HotSync only; "
                        "the settings and the chosen actions stay as they are");
  syncCommand->add_flag("--new-user", sync.newUser,
                        "add --user as a new HotSync user even when a known one differs only in letter case");
  syncCommand->footer(Footer("  http_proxy=http://127.0.0.1:8080 oq-hotsync sync --handheld ~/handheld --user Me\n"));

  ListenOptions listen;
  auto* listenCommand = app.add_subcommand(
      "listen",
      "wait for handhelds' HotSyncs (network, or a serial port with --serial) and run the conduit against each "
      "live handheld");
  auto* address =
      listenCommand->add_option("--address", listen.address,
                                "IPv4 address to listen on (default: 127.0.0.1, this machine only; 0.0.0.0: every "
                                "interface, for handhelds on the network)");
  auto* port =
      listenCommand->add_option("--port", listen.port, "TCP port (default: 14238, the network HotSync port; 0: any)");
  auto* serial = listenCommand->add_option(
      "--serial", listen.serial,
      "wait on this serial port instead: a cradle on a USB-serial adapter (/dev/ttyUSB0), a USB cradle "
      "(/dev/ttyUSB1), a built-in port (/dev/ttyS0)");
  auto* serialTcp = listenCommand->add_option(
      "--serial-tcp", listen.serialTcp,
      "wait for an emulator's serial port at [ADDRESS:]PORT (default address: 127.0.0.1), one connection at a time");
  listenCommand
      ->add_option("--baud", listen.baud,
                   "fastest rate a serial HotSync may go at: 9600 (stays at the starting rate), 19200, "
                   "38400, 57600, 115200 (default) or 230400")
      ->needs(serial);
  listenCommand
      ->add_flag("--rtscts", listen.hardwareFlowControl,
                 "RTS/CTS flow control on the serial port (off by default, as cradles have none)")
      ->needs(serial);
  serial->excludes(serialTcp)->excludes(address)->excludes(port);
  serialTcp->excludes(address)->excludes(port);
  listenCommand->add_flag("--once", listen.once, "end after one HotSync, with its exit status");
  listenCommand->add_option("--timeout", listen.timeoutSeconds,
                            "seconds to wait for each answer of the handheld (default: 30)");
  listenCommand->add_option("--conduit", listen.conduit, "conduit library to load");
  listenCommand->add_option("--user", listen.user,
                            "name to give a handheld that has none (one fresh from a reset), as a first HotSync does");
  listenCommand->add_flag("--new-user", listen.newUser,
                          "add the handheld's user even when a known one differs only in letter case");
  listenCommand->add_flag("--force", listen.force,
                          "the next HotSync tracks past the tracking period; the settings stay as they are");
  listenCommand->footer(
      Footer("  http_proxy=http://127.0.0.1:8080 oq-hotsync listen\n"
             "  oq-hotsync listen --address 0.0.0.0 --once\n"
             "  oq-hotsync listen --serial /dev/ttyUSB0\n"
             "  oq-hotsync listen --serial-tcp 6416\n"));

  CatalogOptions catalog;
  auto* catalogCommand =
      app.add_subcommand("catalog", "build or refresh the catalogue OQProgDB from the handheld's installed programs");
  catalogCommand->add_option("--handheld", catalog.handheld, "folder holding the handheld's database files")
      ->required();
  catalogCommand->add_option("--user", catalog.user,
                             "HotSync user whose remembered flags returning programs get (default: the folder's name)");
  catalogCommand->footer(Footer("  oq-hotsync catalog --handheld ~/handheld\n"));

  struct FlagCommand {
    const char* name;
    const char* help;
    FlagOptions::Flag flag;
    bool set;
  };
  const FlagCommand flagCommands[] = {
      {"ignore", "never track these programs (by creator code)", FlagOptions::Flag::kExclude, true},
      {"unignore", "track these programs again", FlagOptions::Flag::kExclude, false},
      {"skip", "mark these programs to be skipped while the handheld says so", FlagOptions::Flag::kSkip, true},
      {"unskip", "clear the mark to be skipped", FlagOptions::Flag::kSkip, false},
  };
  FlagOptions flags;
  std::vector<std::pair<CLI::App*, const FlagCommand*>> flagApps;
  for (const auto& command : flagCommands) {
    auto* sub = app.add_subcommand(command.name, command.help);
    sub->add_option("--handheld", flags.handheld, "folder holding the handheld's database files")->required();
    sub->add_option("creators", flags.creators, "creator codes, as `show` lists them")->required();
    sub->footer(Footer(std::string("  oq-hotsync ") + command.name + " --handheld ~/handheld StCh PkLd\n"));
    flagApps.emplace_back(sub, &command);
  }

  ConduitsOptions conduits;
  auto* conduitsCommand = app.add_subcommand("conduits", "name, version and properties of the conduit");
  conduitsCommand->add_option("--conduit", conduits.conduit, "conduit library to load");
  conduitsCommand->footer(Footer("  oq-hotsync conduits\n"));

  ConfigureOptions configure;
  auto* configureCommand = app.add_subcommand("configure", "the conduit's HotSync action dialog for a user");
  configureCommand->add_option("--user", configure.user, "HotSync user (default: the first one)");
  configureCommand->add_flag("--legacy", configure.legacy, "use the old-style ConfigureConduit export");
  configureCommand->add_option("--script", configure.script,
                               "drive the dialog: \"set ID TEXT; click ID; ok\" (see the README)");
  configureCommand->add_option("--conduit", configure.conduit, "conduit library to load");
  configureCommand->footer(
      Footer("  oq-hotsync configure --user Me\n"
             "  oq-hotsync configure --user Me --script \"click 1012; ok\"\n"));

  ShowOptions show;
  auto* showCommand = app.add_subcommand("show", "the handheld's program catalogue and the server's message");
  auto* showHandheld =
      showCommand->add_option("--handheld", show.handheld, "folder holding the handheld's database files");
  auto* showUser = showCommand->add_option(
      "--user", show.user, "a user whose handheld syncs over the network: the catalogue as its last HotSync left it");
  showHandheld->excludes(showUser);
  showCommand->add_flag("--json", show.json, "print JSON for scripts");
  showCommand->add_flag("--outdated", show.outdated,
                        "only the programs with a newer version; exits 4 when there are any, 0 when none");
  showCommand->add_flag("--all", show.all, "with --outdated: ignored and skipped programs too");
  showCommand->footer(Footer("  oq-hotsync show --outdated --handheld ~/handheld\n"));

  SampleOptions sample;
  auto* sampleCommand =
      app.add_subcommand("sample", "write a sample handheld image or backup folder, or a stand-in of OrbitQuail.prc");
  sampleCommand->add_option("--handheld", sample.handheld, "folder to write the image into");
  sampleCommand->add_option("--backup", sample.backup,
                            "folder to write program files into, as a handheld's backup (no catalogue)");
  sampleCommand->add_option("--program", sample.program, "file to write a stand-in handheld program into");
  sampleCommand->add_flag("--force", sample.force, "write a sample handheld over a folder that holds a catalogue");
  sampleCommand->footer(Footer("  oq-hotsync sample --backup ~/sample-handheld\n"));

  bool quiet = false, verbose = false;
  app.add_flag("-q,--quiet", quiet, "leave out the HotSync log lines; what failed is still said");
  app.add_flag("-v,--verbose", verbose, "say which files and conduit a command uses");
  app.fallthrough();

  PathsOptions paths;
  auto* pathsCommand = app.add_subcommand(
      "paths", "where the settings, the Palm Desktop folder and the log are, and which conduit loads");
  pathsCommand->add_option("--conduit", paths.conduit, "conduit library a HotSync would be told to load");

  LogOptions log;
  auto* logCommand = app.add_subcommand("log", "the HotSyncs this desktop ran: when, whose, tracked, outdated, result");
  logCommand->add_option("--user", log.user, "only this user's HotSyncs");

  UsersOptions users;
  auto* usersCommand = app.add_subcommand("users", "the HotSync users: list them, rename one or remove one");
  auto* renameCommand = usersCommand->add_subcommand("rename", "rename a user, its queue and files with it");
  renameCommand->add_option("OLD", users.name, "the user's name now")->required();
  renameCommand->add_option("NEW", users.to, "the new name")->required();
  auto* removeCommand = usersCommand->add_subcommand("remove", "remove a user whose install queue is empty");
  removeCommand->add_option("NAME", users.name, "the user")->required();
  usersCommand->footer(Footer("  oq-hotsync users\n  oq-hotsync users rename Me \"Eve Lin\"\n"));

  if (argc > 1 && argv[1][0] != '-' && !HasCommand(app, argv[1])) {
    std::cerr << "oq-hotsync: there is no command \"" << argv[1] << "\"";
    if (const std::string near = NearestCommand(app, argv[1]); !near.empty()) {
      std::cerr << "; did you mean \"" << near << "\"?";
    }
    std::cerr << " (`oq-hotsync --help` lists the commands)\n";
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kExitOk : kExitUsage;
  }
  // A file the commands did not foresee trouble with still ends in a
  // message that names it, never in an abort.
  try {
    SetVerbosity(quiet ? Verbosity::kQuiet : verbose ? Verbosity::kVerbose : Verbosity::kNormal);
    if (*pathsCommand) return RunPaths(paths);
    if (*syncCommand) return RunSync(sync);
    if (*listenCommand) return RunListen(listen);
    if (*catalogCommand) return RunCatalog(catalog);
    for (const auto& [sub, command] : flagApps) {
      if (!*sub) continue;
      flags.flag = command->flag;
      flags.set = command->set;
      return RunSetFlag(flags);
    }
    if (*sampleCommand) return RunSample(sample);
    if (*showCommand) return RunShow(show);
    if (*configureCommand) return RunConfigure(configure);
    if (*logCommand) return RunLog(log);
    if (*usersCommand) {
      users.action = *renameCommand   ? UsersOptions::kRename
                     : *removeCommand ? UsersOptions::kRemove
                                      : UsersOptions::kList;
      return RunUsers(users);
    }
    return RunConduits(conduits);
  } catch (const std::filesystem::filesystem_error& error) {
    std::cerr << "oq-hotsync: " << error.path1().string() << ": " << error.code().message() << "\n";
    return kExitUsage;
  }
}
