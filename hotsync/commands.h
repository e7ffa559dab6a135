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

struct SyncOptions {
  std::filesystem::path handheld;
  std::optional<std::string> user;
  int action = 0;
  std::optional<std::filesystem::path> conduit;
};
int RunSync(const SyncOptions& options);

struct ConduitsOptions {
  std::optional<std::filesystem::path> conduit;
};
int RunConduits(const ConduitsOptions& options);

struct ShowOptions {
  std::filesystem::path handheld;
  bool json = false;
};
int RunShow(const ShowOptions& options);

struct SampleOptions {
  std::filesystem::path handheld;
};
int RunSample(const SampleOptions& options);

}  // namespace oq::hotsync
