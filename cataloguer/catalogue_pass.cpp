#include "catalogue_pass.h"

namespace oq::cataloguer {

namespace {

void RefreshCatalogueDatabase(CatalogueHandheld& handheld, uint32_t now, CatalogueResult& result) {
  auto stored = handheld.LoadCatalogue();
  if (!stored.damaged.empty()) {
    result.damagedCatalogue = std::move(stored.damaged);
    return;
  }
  if (stored.database && !IsDesktopCatalogue(*stored.database)) {
    result.foreignCatalogue = true;
    return;
  }
  auto refreshed = RefreshCatalogue(stored.database, result.programs, now);
  result.changes = std::move(refreshed.changes);
  if (!refreshed.changed) return;
  if (const auto failure = handheld.SaveCatalogue(stored.database, refreshed.database); !failure.empty()) {
    result.error = "cannot write the catalogue: " + failure;
    return;
  }
  result.catalogueWritten = true;
}

void EnsureTrackerPreference(CatalogueHandheld& handheld, CatalogueResult& result) {
  std::string detail;
  switch (handheld.TrackerPreference(detail)) {
    case CatalogueHandheld::PreferenceState::kPresent:
      return;
    case CatalogueHandheld::PreferenceState::kUnreadable:
      result.warnings.push_back(detail + "; no tracker preference was added");
      return;
    case CatalogueHandheld::PreferenceState::kAbsent:
      break;
  }
  if (const auto failure = handheld.AddTrackerPreference(NewTrackerPreference()); !failure.empty()) {
    result.error = "cannot write the preferences: " + failure;
    return;
  }
  result.preferenceCreated = true;
}

}  // namespace

std::string CatalogueResult::Counts() const {
  return std::to_string(programs.size()) + " programs, " + std::to_string(changes.added.size()) + " added, " +
         std::to_string(changes.updated.size()) + " updated, " + std::to_string(changes.removed.size()) + " removed";
}

CatalogueResult RunCataloguer(CatalogueHandheld& handheld, uint32_t now) {
  CatalogueResult result;
  result.programs = handheld.Programs(result.warnings);
  RefreshCatalogueDatabase(handheld, now, result);
  if (result.error.empty()) EnsureTrackerPreference(handheld, result);
  return result;
}

}  // namespace oq::cataloguer
