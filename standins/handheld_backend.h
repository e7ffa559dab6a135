// Where the Sync Manager's database calls go: a folder of database files,
// or a live handheld over the Desktop Link Protocol. The exported Sync
// Manager functions check their arguments, count the call and apply the
// fault plan, then hand the call to the session's backend. Results are
// Sync Manager codes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sync_manager.h"

namespace oq::standin {

class HandheldBackend {
 public:
  virtual ~HandheldBackend() = default;
  virtual int32_t OpenDb(const char* name, uint8_t mode, uint8_t& handle) = 0;
  virtual int32_t CloseDb(uint8_t handle) = 0;
  // Fills the block; the record count under kDbInfoWantCount.
  virtual int32_t ReadOpenDbInfo(uint8_t handle, DbInfoBlock& info) = 0;
  virtual int32_t ReadRecordByIndex(RawRecordDescriptor& record) = 0;
  virtual int32_t WriteRecord(RawRecordDescriptor& record) = 0;
  virtual int32_t ReadAppPreference(PreferenceParameterBlock& preference) = 0;
  virtual int32_t WriteAppPreference(const PreferenceParameterBlock& preference) = 0;
  virtual size_t OpenCount() const = 0;
  // Closes whatever is still open; the first failure's code, else 0.
  virtual int32_t CloseAll() = 0;
};

}  // namespace oq::standin
