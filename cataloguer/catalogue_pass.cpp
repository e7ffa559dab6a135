#include "catalogue_pass.h"

namespace oq::cataloguer {

namespace {

void RefreshCatalogueDatabase(CatalogueHandheld& handheld, uint32_t now, RememberedFlags* remembered,
                              CatalogueResult& result) {
  auto stored = handheld.LoadCatalogue();
  if (!stored.damaged.empty()) {
    result.damagedCatalogue = std::move(stored.damaged);
    return;
  }
  if (!stored.unread.empty()) {
    result.unreadCatalogue = std::move(stored.unread);
    return;
  }
  if (stored.database && !IsDesktopCatalogue(*stored.database)) {
    result.foreignCatalogue = true;
    return;
  }
  auto refreshed = RefreshCatalogue(stored.database, result.programs, now, {result.unreadable, remembered});
  result.changes = std::move(refreshed.changes);
  // The flags of removed programs come from the catalogue as it was.
  if (remembered && stored.database) remembered->Remember(*stored.database);
  if (refreshed.changed) {
    if (const auto saved = handheld.SaveCatalogue(stored.database, refreshed.database); !saved.ok()) {
      result.error = "cannot write the catalogue: " + saved.failure();
      return;
    }
    result.catalogueWritten = true;
  }
  if (remembered) remembered->Remember(refreshed.database);
}

void EnsureTrackerPreference(CatalogueHandheld& handheld, CatalogueResult& result) {
  std::string detail;
  switch (handheld.TrackerPreference(detail)) {
    case CatalogueHandheld::PreferenceState::kPresent: return;
    case CatalogueHandheld::PreferenceState::kUnreadable:
      result.warnings.push_back(detail + "; no tracker preference was added");
      return;
    case CatalogueHandheld::PreferenceState::kAbsent: break;
  }
  if (const auto added = handheld.AddTrackerPreference(NewTrackerPreference()); !added.ok()) {
    result.error = "cannot write the preferences: " + added.failure();
    return;
  }
  result.preferenceCreated = true;
}

}  // namespace

std::string CatalogueResult::Counts() const {
  return std::to_string(programs.size()) + " programs, " + std::to_string(changes.added.size()) + " added, " +
         std::to_string(changes.updated.size()) + " updated, " + std::to_string(changes.removed.size()) + " removed";
}

CatalogueResult RunCataloguer(CatalogueHandheld& handheld, uint32_t now, RememberedFlags* remembered) {
  CatalogueResult result;
  auto listing = handheld.Programs(result.warnings);
  // Four NULs are no program's identity: the tracker cannot be asked about it.
  std::erase_if(listing.programs, [&](const InstalledProgram& program) {
    if (program.creator != palm::FourCC{}) return false;
    result.warnings.push_back(program.name + ": its creator code is 00000000, which names no program; not catalogued");
    return true;
  });
  result.programs = std::move(listing.programs);
  result.unreadable = std::move(listing.unreadable);
  result.listFailure = std::move(listing.failure);
  // A handheld that could not be listed may have lost its link: nothing
  // more is asked of it.
  if (!result.listFailure.empty()) {
    result.warnings.push_back(result.listFailure + "; the catalogue was left as it was");
    return result;
  }
  RefreshCatalogueDatabase(handheld, now, remembered, result);
  if (result.error.empty()) EnsureTrackerPreference(handheld, result);
  return result;
}

}  // namespace oq::cataloguer
