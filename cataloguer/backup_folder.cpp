#include "backup_folder.h"

#include "handheld_image.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"

namespace oq::cataloguer {

namespace {

using standin::HandheldImage;
namespace prefs = standin::saved_preferences;

// The programs among the folder's files; every other file is read no
// further than its header.
void FindPrograms(const HandheldImage& image, FolderCatalogue& result) {
  for (const auto& path : image.DatabaseFiles()) {
    const auto header = HandheldImage::LoadHeader(path);
    if (!header) {
      result.warnings.push_back(path.filename().string() + ": shorter than a database header; passed over");
      continue;
    }
    const auto summary = DatabaseSummary::Of(*header);
    if (!IsProgram(summary)) continue;
    auto loaded = HandheldImage::Load(path);
    if (!loaded.database) {
      result.warnings.push_back(loaded.detail + "; passed over");
      continue;
    }
    result.programs.push_back(
        DescribeProgram(summary, FindResource(*loaded.database, kVersionResourceType, kProgramResourceId),
                        FindResource(*loaded.database, kLauncherNameResourceType, kProgramResourceId)));
  }
}

void RefreshCatalogueFile(const HandheldImage& image, FolderCatalogue& result) {
  std::optional<palm::Database> existing;
  const auto path = image.FindDatabase(kCatalogueName);
  if (path) {
    auto loaded = HandheldImage::Load(*path);
    if (!loaded.database) {
      result.damagedCatalogue = loaded.detail;
      return;
    }
    if (!IsDesktopCatalogue(*loaded.database)) {
      result.foreignCatalogue = true;
      return;
    }
    existing = std::move(loaded.database);
  }
  auto refreshed = RefreshCatalogue(existing, result.programs, palm::PalmNow());
  result.changes = std::move(refreshed.changes);
  if (!refreshed.changed) return;
  const auto target = path.value_or(image.PathForNewDatabase(refreshed.database));
  if (const auto failure = HandheldImage::Save(target, refreshed.database); !failure.empty()) {
    result.error = "cannot write the catalogue: " + failure;
    return;
  }
  result.catalogueWritten = true;
}

void EnsureTrackerPreference(const HandheldImage& image, FolderCatalogue& result) {
  namespace pref = tracker_preference;
  const palm::FourCC creator = palm::FourCCFromValue(pref::kCreator);
  palm::Database preferences = prefs::NewDatabase(prefs::kSavedName, palm::PalmNow());
  const auto path = image.FindDatabase(prefs::kSavedName);
  if (path) {
    auto loaded = HandheldImage::Load(*path);
    if (!loaded.database) {
      result.warnings.push_back(loaded.detail + "; no tracker preference was added");
      return;
    }
    preferences = std::move(*loaded.database);
    for (const auto& resource : preferences.resources) {
      if (resource.type == creator && resource.id == pref::kPreferenceId) return;
    }
  }
  preferences.resources.push_back({creator, pref::kPreferenceId, NewTrackerPreference()});
  preferences.modificationDate = palm::PalmNow();
  ++preferences.modificationNumber;
  const auto target = path.value_or(image.PathForNewDatabase(preferences));
  if (const auto failure = HandheldImage::Save(target, preferences); !failure.empty()) {
    result.error = "cannot write the preferences: " + failure;
    return;
  }
  result.preferenceCreated = true;
}

}  // namespace

std::string FolderCatalogue::Counts() const {
  return std::to_string(programs.size()) + " programs, " + std::to_string(changes.added.size()) + " added, " +
         std::to_string(changes.updated.size()) + " updated, " + std::to_string(changes.removed.size()) + " removed";
}

FolderCatalogue CatalogueBackupFolder(const std::filesystem::path& folder) {
  FolderCatalogue result;
  const HandheldImage image(folder);
  FindPrograms(image, result);
  RefreshCatalogueFile(image, result);
  if (result.error.empty()) EnsureTrackerPreference(image, result);
  return result;
}

}  // namespace oq::cataloguer
