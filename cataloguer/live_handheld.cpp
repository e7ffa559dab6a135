#include "live_handheld.h"

#include <algorithm>
#include <map>
#include <set>

#include "dlp_database_write.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "sync_manager.h"
#include "tracker_preference_layout.h"

namespace oq::cataloguer {

namespace {

namespace pref = tracker_preference;
namespace prefs = palm::saved_preferences;

constexpr uint8_t kReadMode = sync::kOpenRead | sync::kOpenShowSecret;
constexpr uint8_t kReadWriteMode = sync::kOpenRead | sync::kOpenWrite | sync::kOpenShowSecret;

DatabaseSummary SummaryOf(const dlp::DatabaseInfo& info) {
  DatabaseSummary summary;
  summary.name = info.name;
  summary.type = palm::FourCCFromValue(info.type);
  summary.creator = palm::FourCCFromValue(info.creator);
  summary.attributes = info.attributes;
  summary.version = info.version;
  return summary;
}

DatabaseStamp EntryStamp(const dlp::DatabaseInfo& info) {
  return {info.type, info.creator, info.version, info.modificationNumber, palm::PalmFromCalendar(info.modified)};
}

std::string FailureText(const char* what, const std::string& name, const dlp::Status& status) {
  return std::string(what) + " " + name + " on the handheld failed: " + status.Describe();
}

class LiveCatalogueHandheld : public CatalogueHandheld {
 public:
  LiveCatalogueHandheld(dlp::Client& client, KnownHandheld* known) : client_(client), known_(known) {}

  ProgramListing Programs(std::vector<std::string>& warnings) override {
    ProgramListing listing;
    if (const auto status = client_.ReadDatabaseList(databases_); !status.ok()) {
      listing.failure = "the handheld's database list could not be read: " + status.Describe();
      return listing;
    }
    std::set<std::string> listed;
    for (const auto& info : databases_) {
      const auto summary = SummaryOf(info);
      if (!IsProgram(summary)) continue;
      listed.insert(info.name);
      if (const KnownProgram* program = known_ ? known_->programs.Find(info.name, EntryStamp(info)) : nullptr) {
        listing.programs.push_back(
            {info.name, summary.type, summary.creator, program->altName, program->installedVersion});
        continue;
      }
      ProgramResources resources;
      const auto read = ReadProgramResources(info.name, resources);
      if (!client_.linkFailure().ok()) {
        listing.failure = "the handheld's programs could not be read: " + client_.linkFailure().Describe();
        return listing;
      }
      if (!read.ok()) {
        warnings.push_back(read.failure() + "; its catalogue record is kept as it was");
        listing.unreadable.push_back(info.name);
        continue;
      }
      std::vector<std::span<const uint8_t>> versions;
      for (const auto& version : resources.versions) versions.emplace_back(version);
      listing.programs.push_back(DescribeProgram(summary, versions, Optional(resources.launcherName)));
      if (known_) {
        const auto& described = listing.programs.back();
        known_->programs.Learn(info.name, {EntryStamp(info), described.altName, described.installedVersion});
      }
    }
    if (known_) known_->programs.KeepOnly(listed);
    return listing;
  }

  // Taken from the desktop's copy while the catalogue's entry is as it was.
  StoredCatalogue LoadCatalogue() override {
    const auto info = std::find_if(databases_.begin(), databases_.end(),
                                   [](const dlp::DatabaseInfo& db) { return db.name == kCatalogueName; });
    if (info == databases_.end()) {
      if (known_) known_->catalogue.reset();
      return {};
    }
    if (known_) {
      known_->catalogueIndex = info->index;
      if (known_->catalogue && StampOf(*known_->catalogue) == EntryStamp(*info)) return {known_->catalogue, {}, {}};
      known_->catalogue.reset();
    }
    uint8_t handle = 0;
    if (const auto status = client_.OpenDb(kCatalogueName, kReadMode, handle); !status.ok()) {
      return {std::nullopt, {}, FailureText("opening", kCatalogueName, status)};
    }
    palm::Database catalogue;
    catalogue.SetName(info->name);
    catalogue.attributes = info->attributes;
    Stamp(catalogue, EntryStamp(*info));
    const auto read = ReadRecords(handle, catalogue);
    const auto closed = client_.CloseDb(handle);
    if (!read.ok()) return {std::nullopt, {}, read.failure()};
    if (!closed.ok()) return {std::nullopt, {}, FailureText("closing", kCatalogueName, closed)};
    if (known_) known_->catalogue = catalogue;
    return {std::move(catalogue), {}, {}};
  }

  // Only what the refresh changed is written: records in place under their
  // own ids, new ones, then the removed ones deleted, the app-info block
  // when it differs. A link lost half-way leaves every record not yet
  // rewritten as it was.
  Outcome SaveCatalogue(const std::optional<palm::Database>& existing, const palm::Database& catalogue) override {
    if (!existing) return CreateCatalogue(catalogue);
    std::map<uint32_t, const palm::Record*> before;
    for (const auto& record : existing->records) before[record.uniqueId] = &record;
    std::vector<const palm::Record*> writes;
    std::set<uint32_t> kept;
    for (const auto& record : catalogue.records) {
      kept.insert(record.uniqueId);
      const auto found = before.find(record.uniqueId);
      if (found == before.end() || found->second->attributes != record.attributes ||
          found->second->data != record.data) {
        writes.push_back(&record);
      }
    }
    std::vector<uint32_t> deletes;
    for (const auto& record : existing->records) {
      if (kept.count(record.uniqueId) == 0) deletes.push_back(record.uniqueId);
    }
    const bool appInfoChanged = existing->appInfo != catalogue.appInfo && catalogue.appInfo;
    if (writes.empty() && deletes.empty() && !appInfoChanged) return {};

    // The copy follows the handheld write by write; it is dropped when a
    // write's outcome is unknown.
    std::optional<palm::Database> copy = existing;
    if (known_) known_->catalogue.reset();
    uint8_t handle = 0;
    dlp::Status status = client_.OpenDb(kCatalogueName, kReadWriteMode, handle);
    if (!status.ok()) return Outcome::Failed(FailureText("opening", kCatalogueName, status));
    if (appInfoChanged) {
      status = client_.WriteAppBlock(handle, *catalogue.appInfo);
      if (status.ok()) copy->appInfo = catalogue.appInfo;
    }
    for (size_t i = 0; status.ok() && i < writes.size(); ++i) {
      uint32_t id = 0;
      status = client_.WriteRecord(handle, dlp::RecordDataOf(*writes[i]), id);
      if (status.ok()) ApplyRecordWrite(*copy, *writes[i], id);
    }
    for (size_t i = 0; status.ok() && i < deletes.size(); ++i) {
      status = client_.DeleteRecord(handle, deletes[i]);
      if (status.ok()) std::erase_if(copy->records, [&](const palm::Record& r) { return r.uniqueId == deletes[i]; });
    }
    const auto closed = client_.CloseDb(handle);
    if (!status.ok()) return Outcome::Failed(FailureText("writing", kCatalogueName, status));
    if (!closed.ok()) return Outcome::Failed(FailureText("closing", kCatalogueName, closed));
    if (known_) known_->catalogue = std::move(copy);
    return {};
  }

  PreferenceState TrackerPreference(std::string& detail) override {
    // Read whole (it is small) so that the desktop can show it later.
    dlp::PreferenceData preference;
    const auto status = client_.ReadAppPreference(pref::kCreator, pref::kPreferenceId, true, pref::kSize, preference);
    if (status.ok()) {
      if (known_) known_->trackerPreference = prefs::Encode(preference.version, preference.data);
      return PreferenceState::kPresent;
    }
    if (status.IsDeviceError(dlp::kErrNotFound)) return PreferenceState::kAbsent;
    detail = "the handheld's preference could not be read: " + status.Describe();
    return PreferenceState::kUnreadable;
  }

  Outcome AddTrackerPreference(const std::vector<uint8_t>& stored) override {
    const auto preference = prefs::Decode(stored);
    if (!preference) return Outcome::Failed("the new preference is malformed");
    const auto status =
        client_.WriteAppPreference(pref::kCreator, pref::kPreferenceId, true, preference->version, preference->bytes);
    if (status.ok() && known_) known_->trackerPreference = stored;
    if (!status.ok()) return Outcome::Failed("the handheld refused the preference: " + status.Describe());
    return {};
  }

 private:
  static std::optional<std::span<const uint8_t>> Optional(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return std::nullopt;
    return std::span<const uint8_t>(bytes);
  }

  struct ProgramResources {
    std::vector<std::vector<uint8_t>> versions;  // in the order they are tried
    std::vector<uint8_t> launcherName;           // empty when the program has none
  };

  // Only the two usual ids of the version resource are asked for: finding
  // the lowest id would take a request per resource.
  Outcome ReadProgramResources(const std::string& name, ProgramResources& resources) {
    uint8_t handle = 0;
    if (const auto status = client_.OpenDb(name, sync::kOpenRead, handle); !status.ok()) {
      return Outcome::Failed(FailureText("opening", name, status));
    }
    std::string failure;
    const auto read = [&](const char* type, uint16_t id, std::vector<uint8_t>& out) {
      dlp::ResourceData resource;
      const auto status =
          client_.ReadResourceByType(handle, palm::FourCCValue(palm::FourCCFromText(type)), id, resource);
      if (status.ok()) {
        out = std::move(resource.data);
        return true;
      }
      if (!status.IsDeviceError(dlp::kErrNotFound) && failure.empty()) {
        failure = FailureText("reading a resource of", name, status);
      }
      return false;
    };
    for (const uint16_t id : {kProgramResourceId, kBuildToolVersionResourceId}) {
      std::vector<uint8_t> version;
      if (read(kVersionResourceType, id, version)) resources.versions.push_back(std::move(version));
      if (!failure.empty() || (!resources.versions.empty() && !VersionText(resources.versions.back()).empty())) break;
    }
    if (failure.empty()) read(kLauncherNameResourceType, kProgramResourceId, resources.launcherName);
    const auto closed = client_.CloseDb(handle);
    if (failure.empty() && !closed.ok()) failure = FailureText("closing", name, closed);
    if (!failure.empty()) return Outcome::Failed(std::move(failure));
    return {};
  }

  Outcome ReadRecords(uint8_t handle, palm::Database& catalogue) {
    if (const auto status = client_.ReadAppBlock(handle, appInfo_); status.ok()) {
      if (!appInfo_.empty()) catalogue.appInfo = appInfo_;
    } else if (!status.IsDeviceError(dlp::kErrNotFound)) {
      return Outcome::Failed(FailureText("reading", kCatalogueName, status));
    }
    uint16_t count = 0;
    if (const auto status = client_.ReadOpenDbInfo(handle, count); !status.ok()) {
      return Outcome::Failed(FailureText("reading", kCatalogueName, status));
    }
    for (uint16_t index = 0; index < count; ++index) {
      dlp::RecordData record;
      if (const auto status = client_.ReadRecordByIndex(handle, index, dlp::kReadWhole, record); !status.ok()) {
        return Outcome::Failed(FailureText("reading", kCatalogueName, status));
      }
      catalogue.records.push_back({static_cast<uint8_t>((record.attributes & ~palm::kRecordCategoryMask) |
                                                        (record.category & palm::kRecordCategoryMask)),
                                   record.id, std::move(record.data)});
      // New records are numbered after the highest id, as the handheld numbers them.
      catalogue.uniqueIdSeed = std::max(catalogue.uniqueIdSeed, record.id);
    }
    return {};
  }

  // A new catalogue: created, then written whole. A handheld lists a new
  // database after the others, which is where the copy's entry is looked
  // for at the end (and the copy dropped when it is not there).
  Outcome CreateCatalogue(const palm::Database& catalogue) {
    std::optional<palm::Database> copy = catalogue;
    copy->records.clear();
    if (known_) {
      known_->catalogue.reset();
      known_->catalogueIndex = static_cast<uint16_t>(databases_.size());
    }
    const auto written = dlp::WriteDatabase(
        client_, catalogue, [&](const palm::Record& record, uint32_t id) { ApplyRecordWrite(*copy, record, id); });
    if (!written.ok()) {
      using Stage = dlp::DatabaseWrite::Stage;
      const char* what = written.stage == Stage::kCreate  ? "creating"
                         : written.stage == Stage::kWrite ? "writing"
                                                          : "closing";
      return Outcome::Failed(FailureText(what, kCatalogueName, written.status));
    }
    if (known_) known_->catalogue = std::move(copy);
    return {};
  }

  dlp::Client& client_;
  KnownHandheld* known_;
  std::vector<dlp::DatabaseInfo> databases_;
  std::vector<uint8_t> appInfo_;
};

}  // namespace

void ApplyRecordWrite(palm::Database& copy, const palm::Record& written, uint32_t id) {
  const auto found = std::find_if(copy.records.begin(), copy.records.end(),
                                  [&](const palm::Record& record) { return record.uniqueId == id; });
  palm::Record record{written.attributes, id, written.data};
  if (found != copy.records.end()) {
    *found = std::move(record);
  } else {
    copy.records.push_back(std::move(record));
    copy.uniqueIdSeed = std::max(copy.uniqueIdSeed, id);
  }
}

void StampCatalogueCopy(dlp::Client& client, KnownHandheld& known) {
  if (!known.catalogue) return;
  dlp::DatabaseInfo info;
  if (!known.catalogueIndex || !client.ReadDatabaseInfo(*known.catalogueIndex, info).ok() ||
      info.name != kCatalogueName) {
    known.catalogue.reset();
    return;
  }
  Stamp(*known.catalogue, EntryStamp(info));
}

CatalogueResult CatalogueLiveHandheld(dlp::Client& client, RememberedFlags* remembered, KnownHandheld* known) {
  LiveCatalogueHandheld handheld(client, known);
  return RunCataloguer(handheld, palm::PalmNow(), remembered);
}

}  // namespace oq::cataloguer
