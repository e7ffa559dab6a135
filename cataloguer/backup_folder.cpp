#include "backup_folder.h"

#include "handheld_image.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"

namespace oq::cataloguer {

namespace {

using standin::HandheldImage;
namespace prefs = standin::saved_preferences;
namespace pref = tracker_preference;

class FolderCatalogueHandheld : public CatalogueHandheld {
 public:
  explicit FolderCatalogueHandheld(const std::filesystem::path& folder) : image_(folder) {}

  // Every file that is not a program is read no further than its header.
  std::vector<InstalledProgram> Programs(std::vector<std::string>& warnings) override {
    std::vector<InstalledProgram> programs;
    for (const auto& path : image_.DatabaseFiles()) {
      const auto header = HandheldImage::LoadHeader(path);
      if (!header) {
        warnings.push_back(path.filename().string() + ": shorter than a database header; passed over");
        continue;
      }
      const auto summary = DatabaseSummary::Of(*header);
      if (!IsProgram(summary)) continue;
      auto loaded = HandheldImage::Load(path);
      if (!loaded.database) {
        warnings.push_back(loaded.detail + "; passed over");
        continue;
      }
      programs.push_back(
          DescribeProgram(summary, FindResource(*loaded.database, kVersionResourceType, kProgramResourceId),
                          FindResource(*loaded.database, kLauncherNameResourceType, kProgramResourceId)));
    }
    return programs;
  }

  StoredCatalogue LoadCatalogue() override {
    cataloguePath_ = image_.FindDatabase(kCatalogueName);
    if (!cataloguePath_) return {};
    auto loaded = HandheldImage::Load(*cataloguePath_);
    if (!loaded.database) return {std::nullopt, loaded.detail};
    return {std::move(loaded.database), {}};
  }

  std::string SaveCatalogue(const std::optional<palm::Database>&, const palm::Database& catalogue) override {
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

  std::string AddTrackerPreference(const std::vector<uint8_t>& stored) override {
    palm::Database preferences = preferences_.value_or(prefs::NewDatabase(prefs::kSavedName, palm::PalmNow()));
    preferences.resources.push_back({palm::FourCCFromValue(pref::kCreator), pref::kPreferenceId, stored});
    preferences.modificationDate = palm::PalmNow();
    ++preferences.modificationNumber;
    return HandheldImage::Save(preferencesPath_.value_or(image_.PathForNewDatabase(preferences)), preferences);
  }

 private:
  HandheldImage image_;
  std::optional<std::filesystem::path> cataloguePath_;
  std::optional<std::filesystem::path> preferencesPath_;
  std::optional<palm::Database> preferences_;
};

}  // namespace

CatalogueResult CatalogueBackupFolder(const std::filesystem::path& folder) {
  FolderCatalogueHandheld handheld(folder);
  return RunCataloguer(handheld, palm::PalmNow());
}

}  // namespace oq::cataloguer
