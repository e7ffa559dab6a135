// State of the Sync Manager stand-in during one HotSync: the handheld, the
// registration, the logs and the fault plan. Internal to the
// stand-in library.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "handheld_host.h"
#include "handheld_backend.h"

namespace oq::standin {

struct HandheldSession {
  // The handheld of the latest HotSync; none before the first.
  std::unique_ptr<HandheldBackend> handheld;
  std::string user = "OrbitQuail User";
  uint32_t apiMajor = 2;
  uint32_t apiMinor = 2;
  std::optional<uint32_t> conduitHandle;
  uint32_t nextConduitHandle = 1;
  std::vector<std::string> hotsyncLog;
  std::function<void(const std::string&)> hotsyncLogSink;
  std::string handheldLog;
  std::vector<std::string> saveFailures;  // what failed, for each database that could not be saved
  std::optional<uint32_t> reportedRecordCount;
  std::function<bool()> stopRequested;

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
