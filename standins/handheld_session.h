// State of the Sync Manager stand-in during one HotSync: the handheld image,
// the open databases by handle, the logs and the fault plan. Internal to the
// stand-in library.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "handheld_host.h"
#include "handheld_image.h"

namespace oq::standin {

struct OpenDatabase {
  std::filesystem::path path;
  palm::Database database;
  uint8_t mode = 0;
  bool changed = false;
  // Indexes into database.records that the caller sees: secret records
  // only under the show-secret mode.
  std::vector<size_t> visible;
  // Every record by its unique id, so that a write finds its record in
  // constant time.
  std::unordered_map<uint32_t, size_t> recordById;
};

struct HandheldSession {
  std::optional<HandheldImage> image;
  std::string user = "OrbitQuail User";
  uint32_t apiMajor = 2;
  uint32_t apiMinor = 2;
  std::map<uint8_t, OpenDatabase> open;
  std::optional<uint32_t> conduitHandle;
  uint32_t nextConduitHandle = 1;
  std::vector<std::string> hotsyncLog;
  std::function<void(const std::string&)> hotsyncLogSink;
  std::string handheldLog;
  std::vector<std::string> saveFailures;  // what failed, for each database that could not be saved
  std::optional<uint32_t> reportedRecordCount;

  struct Fault {
    int remaining = 0;
    int32_t code = 0;
  };
  static constexpr size_t kOperationCount = static_cast<size_t>(handheld_host::Operation::kCount);
  std::array<Fault, kOperationCount> faults{};
  std::array<int, kOperationCount> calls{};

  // Counts the call; returns the injected code when this call is to fail.
  std::optional<int32_t> Enter(handheld_host::Operation operation);
};

HandheldSession& Session();

}  // namespace oq::standin
