// The host's side of the Sync Manager stand-in: what the HotSync Manager
// (oq-hotsync, or a test) does around a conduit's run. The conduit never
// sees this header; it reaches the same state only through sync_manager.h
// and hotsync_log.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifndef OQ_HOST_API
#define OQ_HOST_API __attribute__((visibility("default")))
#endif

namespace oq::standin {
class HandheldBackend;
}

namespace oq::handheld_host {

enum class Operation {
  kRegister,
  kUnregister,
  kGetApiVersion,
  kOpenDb,
  kCloseDb,
  kReadOpenDbInfo,
  kReadRecordByIndex,
  kWriteRecord,
  kReadAppPreference,
  kWriteAppPreference,
  kYieldCycles,
  kAddLogEntry,
  kCount
};

// Starts a HotSync with the handheld image in `directory`: resets the logs,
// the call counts, the faults and the registration, and reports version 2.2.
OQ_HOST_API void BeginSync(const std::filesystem::path& directory);
// The same with another handheld: a live device, say.
OQ_HOST_API void BeginSync(std::unique_ptr<standin::HandheldBackend> handheld);
// Ends it: closes and persists whatever the conduit left open. Returns 0 or
// the first Sync Manager code a close gave.
OQ_HOST_API int32_t EndSync();
// Lets go of the handheld once its connection ends: a later Sync Manager
// call finds none rather than a link that is gone.
OQ_HOST_API void DetachHandheld();

// From the moment `stopped` says yes, every Sync Manager call but a close
// fails with kErrCancelled: the conduit's pass ends at its next call.
OQ_HOST_API void SetStopRequested(std::function<bool()> stopped);

OQ_HOST_API void SetUser(const std::string& name);
OQ_HOST_API std::string User();
OQ_HOST_API void SetApiVersion(uint32_t major, uint32_t minor);

// Lines of the desktop HotSync log, in order, exactly as written; the sink
// sees each one as it is written.
OQ_HOST_API std::vector<std::string> HotSyncLog();
OQ_HOST_API void SetHotSyncLogSink(std::function<void(const std::string&)> sink);
// The handheld's own log (SyncAddLogEntry), capped as a handheld caps it.
OQ_HOST_API std::string HandheldLog();
// Every database the Sync Manager could not save since BeginSync, with
// what failed: a conduit need not look at what a close returns.
OQ_HOST_API std::vector<std::string> SaveFailures();

// The size a handheld keeps of its own log.
inline constexpr size_t kHandheldLogCapacity = 2048;

}  // namespace oq::handheld_host
