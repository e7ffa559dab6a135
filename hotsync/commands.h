// The subcommands of oq-hotsync. Each returns the process exit status.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace oq::hotsync {

// Exit statuses shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitConduitFailed = 1;
inline constexpr int kExitUsage = 2;

// The creator code the conduit is registered under.
inline constexpr const char* kConduitCreator = "rkOQ";

struct SyncOptions {
  std::filesystem::path handheld;
  std::optional<std::string> user;
  std::optional<int> action;  // default: the user's chosen action
  std::optional<std::filesystem::path> conduit;
};
int RunSync(const SyncOptions& options);

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
  bool json = false;
};
int RunShow(const ShowOptions& options);

struct SampleOptions {
  std::optional<std::filesystem::path> handheld;
  std::optional<std::filesystem::path> program;
};
int RunSample(const SampleOptions& options);

}  // namespace oq::hotsync
