// The Sync Manager over a handheld image directory.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "atomic_file.h"
#include "handheld_session.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "standin_errors.h"
#include "sync_manager.h"

using oq::handheld_host::Operation;
using oq::standin::HandheldImage;
using oq::standin::OpenDatabase;
using oq::standin::Session;
namespace palm = oq::palm;
namespace standin = oq::standin;
namespace sync = oq::sync;

namespace {

constexpr size_t kMaxOpenDatabases = 255;
// A record or preference larger than this cannot exist on a handheld.
constexpr size_t kMaxChunkSize = 0xFFFF;

namespace prefs = oq::standin::saved_preferences;

OpenDatabase* FindOpen(uint8_t handle) {
  auto it = Session().open.find(handle);
  return it == Session().open.end() ? nullptr : &it->second;
}

// A conduit may not look at the result of a close; the host asks for the
// failed saves after the sync, so none goes unreported.
int32_t Saved(const std::string& failure) {
  if (failure.empty()) return sync::kOk;
  Session().saveFailures.push_back(failure);
  return standin::kErrStorage;
}

bool IsVisible(const OpenDatabase& open, const palm::Record& record) {
  return (open.mode & sync::kOpenShowSecret) != 0 || (record.attributes & palm::kRecordSecret) == 0;
}

// The next id after the seed that no record has; moves the seed.
uint32_t FreshRecordId(OpenDatabase& open) {
  uint32_t id = open.database.uniqueIdSeed;
  do {
    id = (id + 1) & palm::kUniqueIdMask;
  } while (id == 0 || open.recordById.count(id) != 0);
  open.database.uniqueIdSeed = id;
  return id;
}

// A device gives every record of an installed database an id of its own.
// Records stored with id 0 or with an id another record already has get a
// fresh one when the database is loaded (kept if the file is saved), so a
// write by id always replaces the very record that was read.
void IndexRecords(OpenDatabase& open) {
  auto& records = open.database.records;
  std::vector<size_t> withoutOwnId;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].uniqueId == 0 || !open.recordById.emplace(records[i].uniqueId, i).second) {
      withoutOwnId.push_back(i);
    }
  }
  for (size_t i : withoutOwnId) {
    records[i].uniqueId = FreshRecordId(open);
    open.recordById.emplace(records[i].uniqueId, i);
  }
  for (size_t i = 0; i < records.size(); ++i) {
    if (IsVisible(open, records[i])) open.visible.push_back(i);
  }
}

// Backed-up preferences live in one database, the others in another.
const char* PreferencesDatabase(const PreferenceParameterBlock& preference) {
  return preference.backedUp ? prefs::kSavedName : prefs::kUnsavedName;
}

// The resource of type creator, id preference id; end() when there is none.
template <typename Resources>
auto FindPreference(Resources& resources, const PreferenceParameterBlock& preference) {
  const palm::FourCC type = palm::FourCCFromValue(preference.creator);
  return std::find_if(resources.begin(), resources.end(), [&](const palm::Resource& resource) {
    return resource.type == type && resource.id == preference.preferenceId;
  });
}

}  // namespace

extern "C" {

int32_t SyncRegisterConduit(uint32_t* conduitHandle) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kRegister)) return *fault;
  if (conduitHandle == nullptr) return standin::kErrBadArgument;
  session.conduitHandle = session.nextConduitHandle++;
  *conduitHandle = *session.conduitHandle;
  return sync::kOk;
}

int32_t SyncUnRegisterConduit(uint32_t conduitHandle) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kUnregister)) return *fault;
  if (session.conduitHandle != conduitHandle) return standin::kErrNotRegistered;
  session.conduitHandle.reset();
  return sync::kOk;
}

int32_t SyncGetAPIVersion(uint32_t* major, uint32_t* minor) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kGetApiVersion)) return *fault;
  if (major == nullptr || minor == nullptr) return standin::kErrBadArgument;
  *major = session.apiMajor;
  *minor = session.apiMinor;
  return sync::kOk;
}

int32_t SyncOpenDB(const char* name, int32_t cardNumber, uint8_t* dbHandle, uint8_t openMode) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kOpenDb)) return *fault;
  if (name == nullptr || dbHandle == nullptr) return standin::kErrBadArgument;
  if (cardNumber != 0 || !session.image) return sync::kErrNotFound;
  auto path = session.image->FindDatabase(name);
  if (!path) return sync::kErrNotFound;
  for (const auto& [handle, open] : session.open) {
    if (open.path == *path) return standin::kErrFileAlreadyOpen;
  }
  if (session.open.size() >= kMaxOpenDatabases) return standin::kErrTooManyOpen;
  oq::standin::RemoveLeftoverTemporaries(*path);
  auto loaded = HandheldImage::Load(*path);
  if (!loaded.database) return loaded.error;

  uint8_t handle = 1;
  while (session.open.count(handle) != 0) ++handle;
  OpenDatabase open{*path, std::move(*loaded.database), openMode, false, {}, {}};
  IndexRecords(open);
  session.open.emplace(handle, std::move(open));
  *dbHandle = handle;
  return sync::kOk;
}

int32_t SyncCloseDB(uint8_t dbHandle) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kCloseDb)) return *fault;
  auto it = session.open.find(dbHandle);
  if (it == session.open.end()) return standin::kErrFileNotOpen;
  OpenDatabase open = std::move(it->second);
  session.open.erase(it);
  if (!open.changed) return sync::kOk;
  open.database.modificationNumber++;
  open.database.modificationDate = palm::PalmNow();
  return Saved(HandheldImage::Save(open.path, open.database));
}

int32_t SyncReadOpenDbInfo(DbInfoRequest* request, DbInfoBlock* info) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kReadOpenDbInfo)) return *fault;
  if (request == nullptr || info == nullptr) return standin::kErrBadArgument;
  OpenDatabase* open = FindOpen(request->dbHandle);
  if (open == nullptr) return standin::kErrFileNotOpen;

  const palm::Database& db = open->database;
  std::memset(info, 0, sizeof *info);
  DatabaseListEntry& entry = info->listEntry;
  entry.flags = db.attributes;
  entry.type = palm::FourCCValue(db.type);
  std::memcpy(entry.name, db.name.data(), sizeof entry.name);
  entry.name[sizeof entry.name - 1] = '\0';
  entry.creator = palm::FourCCValue(db.creator);
  entry.version = db.version;
  entry.modificationNumber = db.modificationNumber;
  entry.recordCount = static_cast<int32_t>(open->visible.size());
  info->recordCount = session.reportedRecordCount.value_or(static_cast<uint32_t>(open->visible.size()));
  size_t maxRecord = 0;
  for (size_t index : open->visible) {
    const size_t size = db.records[index].data.size();
    info->dataBytes += static_cast<uint32_t>(size);
    maxRecord = std::max(maxRecord, size);
  }
  info->appInfoSize = db.appInfo ? static_cast<uint32_t>(db.appInfo->size()) : 0;
  info->sortInfoSize = db.sortInfo ? static_cast<uint32_t>(db.sortInfo->size()) : 0;
  info->totalBytes = info->dataBytes + info->appInfoSize + info->sortInfoSize;
  info->maxRecordSize = static_cast<uint32_t>(maxRecord);
  return sync::kOk;
}

int32_t SyncReadRecordByIndex(RawRecordDescriptor* record) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kReadRecordByIndex)) return *fault;
  if (record == nullptr) return standin::kErrBadArgument;
  if (record->buffer == nullptr && record->bufferSize != 0) return standin::kErrBadArgument;
  OpenDatabase* open = FindOpen(record->dbHandle);
  if (open == nullptr) return standin::kErrFileNotOpen;
  if (open->database.IsResourceDb()) return standin::kErrBadArgument;
  if ((open->mode & sync::kOpenRead) == 0) return standin::kErrBadArgument;
  if (record->recordIndex >= open->visible.size()) return sync::kErrNotFound;

  const palm::Record& stored = open->database.records[open->visible[record->recordIndex]];
  record->recordId = stored.uniqueId;
  record->attributes = stored.attributes & static_cast<uint8_t>(~palm::kRecordCategoryMask);
  record->category = stored.attributes & palm::kRecordCategoryMask;
  record->recordSize = static_cast<uint32_t>(stored.data.size());
  const size_t copied = std::min<size_t>(stored.data.size(), record->bufferSize);
  if (copied > 0) std::memcpy(record->buffer, stored.data.data(), copied);
  return sync::kOk;
}

int32_t SyncWriteRec(RawRecordDescriptor* record) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kWriteRecord)) return *fault;
  if (record == nullptr) return standin::kErrBadArgument;
  // The record is taken from the caller's buffer; never read past it.
  if (record->recordSize > record->bufferSize || record->recordSize > kMaxChunkSize ||
      (record->buffer == nullptr && record->recordSize != 0)) {
    return standin::kErrBadArgument;
  }
  OpenDatabase* open = FindOpen(record->dbHandle);
  if (open == nullptr) return standin::kErrFileNotOpen;
  if (open->database.IsResourceDb()) return standin::kErrBadArgument;
  if ((open->mode & sync::kOpenWrite) == 0) return standin::kErrReadOnly;

  auto& records = open->database.records;
  // The attributes the descriptor carries (deleted, busy and secret
  // included), and dirty: the record changed.
  const uint8_t attributes =
      static_cast<uint8_t>((record->attributes & ~palm::kRecordCategoryMask) | palm::kRecordDirty |
                           (record->category & palm::kRecordCategoryMask));
  std::vector<uint8_t> data(record->buffer, record->buffer + record->recordSize);

  const uint32_t recordId = record->recordId;  // a packed field: no reference to it
  if (recordId != 0) {
    auto found = open->recordById.find(recordId);
    if (found == open->recordById.end() || !IsVisible(*open, records[found->second])) return sync::kErrNotFound;
    records[found->second].data = std::move(data);
    records[found->second].attributes = attributes;
  } else {
    const uint32_t id = FreshRecordId(*open);
    records.push_back({attributes, id, std::move(data)});
    open->recordById.emplace(id, records.size() - 1);
    if (IsVisible(*open, records.back())) open->visible.push_back(records.size() - 1);
    record->recordId = id;
  }
  open->changed = true;
  return sync::kOk;
}

int32_t SyncReadAppPreference(PreferenceParameterBlock* preference) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kReadAppPreference)) return *fault;
  if (preference == nullptr) return standin::kErrBadArgument;
  if (preference->buffer == nullptr && preference->bufferSize != 0) return standin::kErrBadArgument;
  if (!session.image) return sync::kErrNotFound;
  auto path = session.image->FindDatabase(PreferencesDatabase(*preference));
  if (!path) return sync::kErrNotFound;
  auto loaded = HandheldImage::Load(*path);
  if (!loaded.database) return loaded.error;

  const auto& resources = loaded.database->resources;
  auto found = FindPreference(resources, *preference);
  if (found == resources.end()) return sync::kErrNotFound;
  const auto stored = prefs::Decode(found->data);
  if (!stored) return standin::kErrDamagedDatabase;

  preference->version = stored->version;
  preference->storedSize = static_cast<uint16_t>(stored->bytes.size());
  const size_t copied =
      std::min({stored->bytes.size(), size_t{preference->bufferSize}, size_t{preference->requestedBytes}});
  if (copied > 0) std::memcpy(preference->buffer, stored->bytes.data(), copied);
  preference->returnedBytes = static_cast<uint16_t>(copied);
  return sync::kOk;
}

int32_t SyncWriteAppPreference(PreferenceParameterBlock* preference) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kWriteAppPreference)) return *fault;
  if (preference == nullptr) return standin::kErrBadArgument;
  if (preference->bufferSize > kMaxChunkSize - prefs::kVersionLength ||
      (preference->buffer == nullptr && preference->bufferSize != 0)) {
    return standin::kErrBadArgument;
  }
  if (!session.image) return sync::kErrNotFound;
  const char* name = PreferencesDatabase(*preference);

  palm::Database db;
  std::filesystem::path path;
  if (auto existing = session.image->FindDatabase(name)) {
    auto loaded = HandheldImage::Load(*existing);
    if (!loaded.database) return loaded.error;
    db = std::move(*loaded.database);
    path = *existing;
  } else {
    db = prefs::NewDatabase(name, palm::PalmNow());
    path = session.image->PathForNewDatabase(db);
  }

  auto data = prefs::Encode(preference->version, {preference->buffer, preference->bufferSize});
  if (auto found = FindPreference(db.resources, *preference); found != db.resources.end()) {
    found->data = std::move(data);
  } else {
    db.resources.push_back({palm::FourCCFromValue(preference->creator), preference->preferenceId, std::move(data)});
  }
  db.modificationNumber++;
  db.modificationDate = palm::PalmNow();
  return Saved(HandheldImage::Save(path, db));
}

int32_t SyncYieldCycles(uint16_t /*maxMilliseconds*/) {
  if (auto fault = Session().Enter(Operation::kYieldCycles)) return *fault;
  return sync::kOk;
}

int32_t SyncAddLogEntry(const char* text) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kAddLogEntry)) return *fault;
  if (text == nullptr) return standin::kErrBadArgument;
  std::string& log = session.handheldLog;
  log += text;
  if (log.size() > oq::handheld_host::kHandheldLogCapacity) {
    // Like a handheld, keep the newest entries: drop whole lines from the front.
    size_t cut = log.size() - oq::handheld_host::kHandheldLogCapacity;
    size_t lineEnd = log.find('\n', cut - 1);
    const bool wholeLines = lineEnd != std::string::npos && lineEnd + 1 < log.size();
    log.erase(0, wholeLines ? lineEnd + 1 : cut);
  }
  return sync::kOk;
}

}  // extern "C"
