// State of the Sync Manager stand-in during one HotSync: the handheld, the
// registration, the logs and, in the tests' build of the library, the
// fault plan. Internal to the stand-in library.
#pragma once

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
  std::function<bool()> stopRequested;

  // What the tests make of the calls (test_hooks.h); none in the shipped
  // library, whose calls go straight through.
  class FaultPlan {
   public:
    virtual ~FaultPlan() = default;
    // The code the call is to fail with, if any.
    virtual std::optional<int32_t> Enter(handheld_host::Operation operation) = 0;
    // The record count SyncReadOpenDbInfo is to report instead of the true one.
    virtual std::optional<uint32_t> ReportedRecordCount() const = 0;
  };
  std::unique_ptr<FaultPlan> faultPlan;

  // None, or the code the call fails with: kErrCancelled once stopped.
  std::optional<int32_t> Enter(handheld_host::Operation operation);
};

HandheldSession& Session();

// Where the tests' build of the library makes each HotSync's fault plan.
using FaultPlanFactory = std::unique_ptr<HandheldSession::FaultPlan> (*)();
void SetFaultPlanFactory(FaultPlanFactory factory);

}  // namespace oq::standin
