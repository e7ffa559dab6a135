// What the tests do to the Sync Manager stand-in beyond what a HotSync
// Manager does: fail a chosen call, count the calls, misreport a record
// count, look at the registration and the open databases. Only the tests'
// build of the library (oq_syncmgr_testing) has them; the shipped one
// neither exports them nor checks a fault plan on any call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "handheld_host.h"

namespace oq::handheld_host {

// Makes the nth call of `operation` from now (1 = the next) return `code`
// without doing anything else; until the next BeginSync.
OQ_HOST_API void FailNthCall(Operation operation, int nth, int32_t code);
// The calls of `operation` since BeginSync.
OQ_HOST_API int CallCount(Operation operation);
// Makes SyncReadOpenDbInfo report this record count instead of the true one
// (nullopt: the true count again), to drive a caller's large-count paths.
OQ_HOST_API void SetReportedRecordCount(std::optional<uint32_t> count);

OQ_HOST_API bool ConduitRegistered();
OQ_HOST_API size_t OpenDatabaseCount();

}  // namespace oq::handheld_host
