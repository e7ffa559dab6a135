// A conduit library loaded the way the HotSync Manager loads one: by path,
// its exports resolved by name.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "conduit_interface.h"

namespace oq::hotsync {

class ConduitLibrary {
 public:
  // Empty, with `error` filled, when the library will not load or lacks
  // the sync-run and identity exports.
  static std::unique_ptr<ConduitLibrary> Load(const std::filesystem::path& path, std::string& error);
  ~ConduitLibrary();
  ConduitLibrary(const ConduitLibrary&) = delete;
  ConduitLibrary& operator=(const ConduitLibrary&) = delete;

  const std::filesystem::path& path() const { return path_; }

  OpenConduitFunction openConduit = nullptr;
  GetConduitNameFunction getConduitName = nullptr;
  GetConduitVersionFunction getConduitVersion = nullptr;
  GetConduitInfoFunction getConduitInfo = nullptr;
  // Present from the configuration exports on.
  CfgConduitFunction cfgConduit = nullptr;
  ConfigureConduitFunction configureConduit = nullptr;

 private:
  ConduitLibrary(void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::filesystem::path path_;
};

// The conduit built or installed beside this program.
std::filesystem::path DefaultConduitPath();

// The conduit asked for, else the library registered for the creator in
// the Palm Desktop directory, else the one beside this program, loaded;
// empty after saying on stderr why not.
std::unique_ptr<ConduitLibrary> LoadConduit(const std::optional<std::filesystem::path>& requested,
                                            const std::string& creator);

}  // namespace oq::hotsync
