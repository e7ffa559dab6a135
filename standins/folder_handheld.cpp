#include "folder_handheld.h"

#include <algorithm>
#include <cstring>

#include "atomic_file.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "standin_errors.h"

namespace oq::standin {

namespace {

constexpr size_t kMaxOpenDatabases = 255;
// A record or preference larger than this cannot exist on a handheld.
constexpr size_t kMaxChunkSize = 0xFFFF;

namespace prefs = palm::saved_preferences;

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

OpenDatabase* FolderHandheld::FindOpen(uint8_t handle) {
  auto it = open_.find(handle);
  return it == open_.end() ? nullptr : &it->second;
}

// A conduit may not look at the result of a close; the host asks for the
// failed saves after the sync, so none goes unreported.
int32_t FolderHandheld::Saved(const Outcome& saved) {
  if (saved.ok()) return sync::kOk;
  saveFailures_.push_back(saved.failure());
  return kErrStorage;
}

int32_t FolderHandheld::OpenDb(const char* name, uint8_t mode, uint8_t& handle) {
  auto path = image_.FindDatabase(name);
  if (!path) return sync::kErrNotFound;
  for (const auto& [openHandle, open] : open_) {
    if (open.path == *path) return kErrFileAlreadyOpen;
  }
  if (open_.size() >= kMaxOpenDatabases) return kErrTooManyOpen;
  storage::RemoveLeftoverTemporaries(*path);
  auto loaded = HandheldImage::Load(*path);
  if (!loaded.database) return loaded.error;

  uint8_t fresh = 1;
  while (open_.count(fresh) != 0) ++fresh;
  OpenDatabase open{*path, std::move(*loaded.database), mode, false, {}, {}};
  IndexRecords(open);
  open_.emplace(fresh, std::move(open));
  handle = fresh;
  return sync::kOk;
}

int32_t FolderHandheld::CloseDb(uint8_t handle) {
  auto it = open_.find(handle);
  if (it == open_.end()) return kErrFileNotOpen;
  OpenDatabase open = std::move(it->second);
  open_.erase(it);
  if (!open.changed) return sync::kOk;
  open.database.modificationNumber++;
  open.database.modificationDate = palm::PalmNow();
  return Saved(HandheldImage::Save(open.path, open.database));
}

int32_t FolderHandheld::CloseAll() {
  int32_t first = sync::kOk;
  while (!open_.empty()) {
    const int32_t result = CloseDb(open_.begin()->first);
    if (first == sync::kOk) first = result;
  }
  return first;
}

int32_t FolderHandheld::ReadOpenDbInfo(uint8_t handle, DbInfoBlock& info) {
  OpenDatabase* open = FindOpen(handle);
  if (open == nullptr) return kErrFileNotOpen;

  const palm::Database& db = open->database;
  std::memset(&info, 0, sizeof info);
  DatabaseListEntry& entry = info.listEntry;
  entry.flags = db.attributes;
  entry.type = palm::FourCCValue(db.type);
  std::memcpy(entry.name, db.name.data(), sizeof entry.name);
  entry.name[sizeof entry.name - 1] = '\0';
  entry.creator = palm::FourCCValue(db.creator);
  entry.version = db.version;
  entry.modificationNumber = db.modificationNumber;
  entry.recordCount = static_cast<int32_t>(open->visible.size());
  info.recordCount = static_cast<uint32_t>(open->visible.size());
  size_t maxRecord = 0;
  for (size_t index : open->visible) {
    const size_t size = db.records[index].data.size();
    info.dataBytes += static_cast<uint32_t>(size);
    maxRecord = std::max(maxRecord, size);
  }
  info.appInfoSize = db.appInfo ? static_cast<uint32_t>(db.appInfo->size()) : 0;
  info.sortInfoSize = db.sortInfo ? static_cast<uint32_t>(db.sortInfo->size()) : 0;
  info.totalBytes = info.dataBytes + info.appInfoSize + info.sortInfoSize;
  info.maxRecordSize = static_cast<uint32_t>(maxRecord);
  return sync::kOk;
}

int32_t FolderHandheld::ReadRecordByIndex(RawRecordDescriptor& record) {
  OpenDatabase* open = FindOpen(record.dbHandle);
  if (open == nullptr) return kErrFileNotOpen;
  if (open->database.IsResourceDb()) return kErrBadArgument;
  if ((open->mode & sync::kOpenRead) == 0) return kErrBadArgument;
  if (record.recordIndex >= open->visible.size()) return sync::kErrNotFound;
  const palm::Record& stored = open->database.records[open->visible[record.recordIndex]];
  record.recordId = stored.uniqueId;
  record.attributes = stored.attributes & static_cast<uint8_t>(~palm::kRecordCategoryMask);
  record.category = stored.attributes & palm::kRecordCategoryMask;
  record.recordSize = static_cast<uint32_t>(stored.data.size());
  const size_t copied = std::min<size_t>(stored.data.size(), record.bufferSize);
  if (copied > 0) std::memcpy(record.buffer, stored.data.data(), copied);
  return sync::kOk;
}

int32_t FolderHandheld::WriteRecord(RawRecordDescriptor& record) {
  if (record.recordSize > kMaxChunkSize) return kErrBadArgument;
  OpenDatabase* open = FindOpen(record.dbHandle);
  if (open == nullptr) return kErrFileNotOpen;
  if (open->database.IsResourceDb()) return kErrBadArgument;
  if ((open->mode & sync::kOpenWrite) == 0) return kErrReadOnly;

  auto& records = open->database.records;
  // The attributes the descriptor carries (deleted, busy and secret
  // included), and dirty: the record changed.
  const uint8_t attributes = static_cast<uint8_t>((record.attributes & ~palm::kRecordCategoryMask) |
                                                  palm::kRecordDirty | (record.category & palm::kRecordCategoryMask));
  std::vector<uint8_t> data(record.buffer, record.buffer + record.recordSize);

  const uint32_t recordId = record.recordId;  // a packed field: no reference to it
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
    record.recordId = id;
  }
  open->changed = true;
  return sync::kOk;
}

int32_t FolderHandheld::ReadAppPreference(PreferenceParameterBlock& preference) {
  auto path = image_.FindDatabase(PreferencesDatabase(preference));
  if (!path) return sync::kErrNotFound;
  auto loaded = HandheldImage::Load(*path);
  if (!loaded.database) return loaded.error;

  const auto& resources = loaded.database->resources;
  auto found = FindPreference(resources, preference);
  if (found == resources.end()) return sync::kErrNotFound;
  const auto stored = prefs::Decode(found->data);
  if (!stored) return kErrDamagedDatabase;

  preference.version = stored->version;
  preference.storedSize = static_cast<uint16_t>(stored->bytes.size());
  const size_t copied =
      std::min({stored->bytes.size(), size_t{preference.bufferSize}, size_t{preference.requestedBytes}});
  if (copied > 0) std::memcpy(preference.buffer, stored->bytes.data(), copied);
  preference.returnedBytes = static_cast<uint16_t>(copied);
  return sync::kOk;
}

int32_t FolderHandheld::WriteAppPreference(const PreferenceParameterBlock& preference) {
  if (preference.bufferSize > kMaxChunkSize - prefs::kVersionLength) return kErrBadArgument;
  const char* name = PreferencesDatabase(preference);

  palm::Database db;
  std::filesystem::path path;
  if (auto existing = image_.FindDatabase(name)) {
    auto loaded = HandheldImage::Load(*existing);
    if (!loaded.database) return loaded.error;
    db = std::move(*loaded.database);
    path = *existing;
  } else {
    db = prefs::NewDatabase(name, palm::PalmNow());
    path = image_.PathForNewDatabase(db);
  }

  auto data = prefs::Encode(preference.version, {preference.buffer, preference.bufferSize});
  if (auto found = FindPreference(db.resources, preference); found != db.resources.end()) {
    found->data = std::move(data);
  } else {
    db.resources.push_back({palm::FourCCFromValue(preference.creator), preference.preferenceId, std::move(data)});
  }
  db.modificationNumber++;
  db.modificationDate = palm::PalmNow();
  return Saved(HandheldImage::Save(path, db));
}

}  // namespace oq::standin
