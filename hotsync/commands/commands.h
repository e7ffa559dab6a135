// The subcommands of oq-hotsync. Each returns the process exit status.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "exit_status.h"
#include "netsync_transport.h"

namespace oq::hotsync {

struct SyncOptions {
  std::filesystem::path handheld;
  std::optional<std::string> user;
  std::optional<int> action;  // default: the user's chosen action
  std::optional<std::filesystem::path> conduit;
  bool noCatalog = false;  // leave the catalogue as the handheld has it
  bool force = false;      // track now: Synchronize (or --action), past the tracking period, settings untouched
  bool newUser = false;    // add the user even when a known one differs only in letter case
};
int RunSync(const SyncOptions& options);

struct ListenOptions {
  std::string address = "127.0.0.1";  // this machine only; --address opens it to a network
  uint16_t port = netsync::kDefaultPort;
  bool once = false;        // end after one HotSync, with its exit status
  int timeoutSeconds = 30;  // the longest wait for each answer of the handheld
  std::optional<std::filesystem::path> conduit;
  std::optional<std::string> user;       // the name a handheld without one is given
  bool newUser = false;                  // take a name known in other letter case as a new user
  bool force = false;                    // the next HotSync tracks past the tracking period
  std::optional<std::string> serial;     // a serial port to wait on instead of the network
  std::optional<std::string> serialTcp;  // [ADDRESS:]PORT where an emulator's serial port connects
  std::optional<uint32_t> baud;          // the fastest rate a serial HotSync may go at
  bool hardwareFlowControl = false;      // RTS/CTS on the serial port
};
int RunListen(const ListenOptions& options);
// The longest a whole live HotSync may take, however its handheld paces it.
inline constexpr auto kSessionLimit = std::chrono::minutes(30);

struct CatalogOptions {
  std::filesystem::path handheld;
  std::optional<std::string> user;  // whose remembered flags apply; default: the folder's name
};
int RunCatalog(const CatalogOptions& options);

// ignore / unignore (excludeFlag), skip / unskip (skipFlag).
struct FlagOptions {
  std::filesystem::path handheld;
  std::vector<std::string> creators;
  enum class Flag { kExclude, kSkip } flag = Flag::kExclude;
  bool set = true;
};
int RunSetFlag(const FlagOptions& options);

struct ConduitsOptions {
  std::optional<std::filesystem::path> conduit;
};
int RunConduits(const ConduitsOptions& options);

struct ConfigureOptions {
  std::optional<std::string> user;
  bool legacy = false;
  std::optional<std::string> script;
  std::optional<std::filesystem::path> conduit;
};
int RunConfigure(const ConfigureOptions& options);

struct ShowOptions {
  std::filesystem::path handheld;
  std::optional<std::string> user;  // instead of a folder: the copy the desktop kept at the user's last HotSync
  bool json = false;
  bool outdated = false;  // only programs with a newer version; exit 4 when there are any
  bool all = false;       // with outdated: ignored and skipped programs too
};
int RunShow(const ShowOptions& options);

struct PathsOptions {
  std::optional<std::filesystem::path> conduit;
};
int RunPaths(const PathsOptions& options);

struct LogOptions {
  std::optional<std::string> user;  // only this user's HotSyncs
};
int RunLog(const LogOptions& options);

struct UsersOptions {
  enum Action { kList, kRename, kRemove } action = kList;
  std::string name;  // rename, remove
  std::string to;    // rename
};
int RunUsers(const UsersOptions& options);

struct SampleOptions {
  bool force = false;  // write a sample handheld over a folder that holds a catalogue
  std::optional<std::filesystem::path> handheld;
  std::optional<std::filesystem::path> backup;
  std::optional<std::filesystem::path> program;
};
int RunSample(const SampleOptions& options);

}  // namespace oq::hotsync
