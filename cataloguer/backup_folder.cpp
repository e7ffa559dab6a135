#include "backup_folder.h"

#include <map>
#include <utility>

#include "atomic_file.h"
#include "handheld_image.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"

namespace oq::cataloguer {

namespace {

using standin::HandheldImage;
namespace prefs = palm::saved_preferences;
namespace pref = tracker_preference;

class FolderCatalogueHandheld : public CatalogueHandheld {
 public:
  explicit FolderCatalogueHandheld(const std::filesystem::path& folder) : image_(folder) {}

  // Every file that is not a program is read no further than its header.
  ProgramListing Programs(std::vector<std::string>& warnings) override {
    ProgramListing listing;
    for (const auto& file : ProgramFiles(warnings)) {
      auto loaded = HandheldImage::Load(file.path);
      if (!loaded.database) {
        warnings.push_back(loaded.detail + "; its catalogue record is kept as it was");
        listing.unreadable.push_back(file.summary.name);
        continue;
      }
      listing.programs.push_back(
          DescribeProgram(file.summary, VersionResources(*loaded.database),
                          FindResource(*loaded.database, kLauncherNameResourceType, kProgramResourceId)));
    }
    return listing;
  }

  StoredCatalogue LoadCatalogue() override {
    cataloguePath_ = image_.FindDatabase(kCatalogueName);
    if (!cataloguePath_) return {};
    auto loaded = HandheldImage::Load(*cataloguePath_);
    if (!loaded.database) return {std::nullopt, loaded.detail, {}};
    return {std::move(loaded.database), {}, {}};
  }

  Outcome SaveCatalogue(const std::optional<palm::Database>&, const palm::Database& catalogue) override {
    return HandheldImage::Save(cataloguePath_.value_or(image_.PathForNewDatabase(catalogue)), catalogue);
  }

  PreferenceState TrackerPreference(std::string& detail) override {
    preferencesPath_ = image_.FindDatabase(prefs::kSavedName);
    if (!preferencesPath_) return PreferenceState::kAbsent;
    auto loaded = HandheldImage::Load(*preferencesPath_);
    if (!loaded.database) {
      detail = loaded.detail;
      return PreferenceState::kUnreadable;
    }
    preferences_ = std::move(loaded.database);
    const palm::FourCC creator = palm::FourCCFromValue(pref::kCreator);
    for (const auto& resource : preferences_->resources) {
      if (resource.type == creator && resource.id == pref::kPreferenceId) return PreferenceState::kPresent;
    }
    return PreferenceState::kAbsent;
  }

  Outcome AddTrackerPreference(const std::vector<uint8_t>& stored) override {
    palm::Database preferences = preferences_.value_or(prefs::NewDatabase(prefs::kSavedName, palm::PalmNow()));
    preferences.resources.push_back({palm::FourCCFromValue(pref::kCreator), pref::kPreferenceId, stored});
    preferences.modificationDate = palm::PalmNow();
    ++preferences.modificationNumber;
    return HandheldImage::Save(preferencesPath_.value_or(image_.PathForNewDatabase(preferences)), preferences);
  }

 private:
  struct ProgramFile {
    std::filesystem::path path;
    DatabaseSummary summary;
    uint32_t modificationDate = 0;
  };

  // One file per database name, as a handheld holds one: of two files of
  // the same name (a merged or stale backup) the newer is taken, and said.
  std::vector<ProgramFile> ProgramFiles(std::vector<std::string>& warnings) const {
    std::vector<ProgramFile> files;
    std::map<std::string, size_t> byName;
    const auto databases = image_.DatabaseFiles();
    if (const size_t others = storage::RegularFiles(image_.directory()).size() - databases.size(); others != 0) {
      warnings.push_back(std::to_string(others) + (others == 1 ? " file" : " files") + " in " +
                         image_.directory().string() + " without a .pdb or .prc ending passed over");
    }
    for (const auto& path : databases) {
      const auto header = HandheldImage::LoadHeader(path);
      if (!header) {
        warnings.push_back(path.string() + ": shorter than a database header; passed over");
        continue;
      }
      ProgramFile file{path, DatabaseSummary::Of(*header), header->modificationDate};
      if (!IsProgram(file.summary)) continue;
      const auto [known, added] = byName.emplace(StoredProgramName(file.summary.name), files.size());
      if (added) {
        files.push_back(std::move(file));
        continue;
      }
      ProgramFile& kept = files[known->second];
      const bool newer = std::pair(file.modificationDate, file.summary.version) >
                         std::pair(kept.modificationDate, kept.summary.version);
      const auto& taken = newer ? file : kept;
      const auto& left = newer ? kept : file;
      const char* why = taken.modificationDate != left.modificationDate ? "modified later"
                        : taken.summary.version != left.summary.version ? "the higher version"
                                                                        : "the first by file name";
      warnings.push_back(left.path.string() + " and " + taken.path.string() + " hold the same database \"" +
                         known->first + "\"; " + taken.path.filename().string() + " is catalogued (" + why + ")");
      if (newer) kept = std::move(file);
    }
    return files;
  }

  HandheldImage image_;
  std::optional<std::filesystem::path> cataloguePath_;
  std::optional<std::filesystem::path> preferencesPath_;
  std::optional<palm::Database> preferences_;
};

}  // namespace

CatalogueResult CatalogueBackupFolder(const std::filesystem::path& folder, RememberedFlags* remembered) {
  FolderCatalogueHandheld handheld(folder);
  return RunCataloguer(handheld, palm::PalmNow(), remembered);
}

}  // namespace oq::cataloguer
