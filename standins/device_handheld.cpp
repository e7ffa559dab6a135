#include "device_handheld.h"

#include <algorithm>
#include <cstring>

#include "palm_database.h"
#include "standin_errors.h"

namespace oq::standin {

int32_t SyncResultOf(const dlp::Status& status) {
  using Kind = dlp::Status::Kind;
  switch (status.kind) {
    case Kind::kOk: return sync::kOk;
    case Kind::kLink:
    case Kind::kProtocol: return kErrLinkLost;
    case Kind::kDevice: break;
  }
  switch (status.deviceError) {
    case dlp::kErrNotFound: return sync::kErrNotFound;
    case dlp::kErrNoneOpen: return kErrFileNotOpen;
    case dlp::kErrAlreadyOpen: return kErrFileAlreadyOpen;
    case dlp::kErrTooManyOpen: return kErrTooManyOpen;
    case dlp::kErrReadOnly: return kErrReadOnly;
    case dlp::kErrParameter: return kErrBadArgument;
  }
  return kErrDeviceBase + status.deviceError;
}

int32_t DeviceHandheld::OpenDb(const char* name, uint8_t mode, uint8_t& handle) {
  if (Stopped()) return kErrCancelled;
  const auto status = client_.OpenDb(name, mode, handle);
  if (status.ok()) open_[handle] = name;
  return SyncResultOf(status);
}

int32_t DeviceHandheld::CloseDb(uint8_t handle) {
  // A close still goes out after a stop: the handheld keeps what was
  // written before it only once the database is closed.
  if (open_.erase(handle) == 0) return kErrFileNotOpen;
  return SyncResultOf(client_.CloseDb(handle));
}

int32_t DeviceHandheld::CloseAll() {
  int32_t first = sync::kOk;
  while (!open_.empty()) {
    const int32_t result = CloseDb(open_.begin()->first);
    if (first == sync::kOk) first = result;
  }
  return first;
}

int32_t DeviceHandheld::ReadOpenDbInfo(uint8_t handle, DbInfoBlock& info) {
  if (Stopped()) return kErrCancelled;
  auto it = open_.find(handle);
  if (it == open_.end()) return kErrFileNotOpen;
  uint16_t count = 0;
  if (const auto status = client_.ReadOpenDbInfo(handle, count); !status.ok()) return SyncResultOf(status);
  // The command answers the record count alone; the entry gets the name the
  // database was opened by.
  std::strncpy(info.listEntry.name, it->second.c_str(), sizeof info.listEntry.name - 1);
  info.listEntry.recordCount = count;
  info.recordCount = count;
  return sync::kOk;
}

int32_t DeviceHandheld::ReadRecordByIndex(RawRecordDescriptor& record) {
  if (Stopped()) return kErrCancelled;
  dlp::RecordData read;
  const auto status = client_.ReadRecordByIndex(record.dbHandle, record.recordIndex, record.bufferSize, read);
  if (!status.ok()) return SyncResultOf(status);
  record.recordId = read.id;
  record.attributes = read.attributes;
  record.category = read.category;
  record.recordSize = std::max<uint32_t>(read.size, static_cast<uint32_t>(read.data.size()));
  const size_t bufferSize = record.bufferSize;
  const size_t copied = std::min(read.data.size(), bufferSize);
  if (copied > 0) std::memcpy(record.buffer, read.data.data(), copied);
  return sync::kOk;
}

int32_t DeviceHandheld::WriteRecord(RawRecordDescriptor& record) {
  if (Stopped()) return kErrCancelled;
  if (record.recordSize > dlp::kMaxWriteRecordData) return kErrBadArgument;
  dlp::RecordData written;
  written.id = record.recordId;
  // Dirty, as on the folder: the record changed.
  written.attributes = static_cast<uint8_t>((record.attributes & ~palm::kRecordCategoryMask) | palm::kRecordDirty);
  written.category = static_cast<uint8_t>(record.category & palm::kRecordCategoryMask);
  written.data.assign(record.buffer, record.buffer + record.recordSize);
  uint32_t id = 0;
  const auto status = client_.WriteRecord(record.dbHandle, written, id);
  if (status.ok()) {
    record.recordId = id;
    if (const auto open = open_.find(record.dbHandle); recordWritten_ && open != open_.end()) {
      recordWritten_(open->second, {static_cast<uint8_t>(written.attributes | written.category), id, written.data}, id);
    }
  }
  return SyncResultOf(status);
}

int32_t DeviceHandheld::ReadAppPreference(PreferenceParameterBlock& preference) {
  if (Stopped()) return kErrCancelled;
  // Packed fields are copied out: no reference may bind to them.
  const uint32_t requested = preference.requestedBytes;
  const uint32_t bufferSize = preference.bufferSize;
  const auto wanted = static_cast<uint16_t>(std::min(requested, bufferSize));
  dlp::PreferenceData read;
  const auto status =
      client_.ReadAppPreference(preference.creator, preference.preferenceId, preference.backedUp != 0, wanted, read);
  if (!status.ok()) return SyncResultOf(status);
  preference.version = read.version;
  preference.storedSize = read.storedSize;
  const size_t copied = std::min<size_t>(read.data.size(), wanted);
  if (copied > 0) std::memcpy(preference.buffer, read.data.data(), copied);
  preference.returnedBytes = static_cast<uint16_t>(copied);
  return sync::kOk;
}

int32_t DeviceHandheld::WriteAppPreference(const PreferenceParameterBlock& preference) {
  if (Stopped()) return kErrCancelled;
  if (preference.bufferSize > dlp::kMaxWritePreferenceData) return kErrBadArgument;
  const auto status = client_.WriteAppPreference(preference.creator, preference.preferenceId, preference.backedUp != 0,
                                                 preference.version, {preference.buffer, preference.bufferSize});
  if (status.ok() && preferenceWritten_) preferenceWritten_(preference);
  return SyncResultOf(status);
}

}  // namespace oq::standin
