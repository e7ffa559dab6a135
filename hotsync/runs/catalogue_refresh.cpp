#include "catalogue_refresh.h"

#include <algorithm>
#include <iostream>

#include "atomic_file.h"
#include "handheld_image.h"
#include "palm_time.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"
#include "terminal_text.h"

namespace oq::hotsync {

cataloguer::CatalogueResult RunCataloguerFor(const standin::DesktopDirectory& desktop, const std::string& user,
                                             const CataloguerRun& run) {
  const auto users = desktop.Users();
  if (std::find(users.begin(), users.end(), user) == users.end()) return run(nullptr);
  const auto path = desktop.UserFile(user, kRememberedFlagsFile);
  if (const auto reason = storage::UnreadableReason(path); !reason.empty()) {
    std::cerr << "oq-hotsync: cannot read " << reason << "; flags are not remembered at this HotSync\n";
    return run(nullptr);
  }
  const auto bytes = storage::ReadWholeFile(path);
  const std::string before = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  auto remembered = cataloguer::RememberedFlags::Parse(before);
  auto result = run(&remembered);
  if (const std::string after = remembered.Serialize(); after != before && (bytes || !remembered.Empty())) {
    const auto written = storage::WriteFileAtomically(
        path, {reinterpret_cast<const uint8_t*>(after.data()), after.size()}, storage::FileAccess::kOwnerOnly);
    if (!written.ok()) {
      std::cerr << "oq-hotsync: the programs' flags could not be remembered: " << written.failure() << "\n";
    }
  }
  return result;
}

cataloguer::KnownHandheld LoadKnownHandheld(const standin::DesktopDirectory& desktop, const std::string& user) {
  cataloguer::KnownHandheld known;
  if (const auto text = storage::ReadWholeFile(desktop.UserFile(user, kKnownProgramsFile))) {
    known.programs = cataloguer::KnownPrograms::Parse(std::string(text->begin(), text->end()));
  }
  const auto copy = desktop.UserFile(user, kCatalogueCopyFile);
  std::error_code error;
  if (std::filesystem::exists(copy, error)) known.catalogue = standin::HandheldImage::Load(copy).database;
  return known;
}

void SaveKnownHandheld(const standin::DesktopDirectory& desktop, const std::string& user,
                       const cataloguer::KnownHandheld& known) {
  const std::string text = known.programs.Serialize();
  auto kept = storage::WriteFileAtomically(desktop.UserFile(user, kKnownProgramsFile),
                                           {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                           storage::FileAccess::kOwnerOnly);
  const auto copy = desktop.UserFile(user, kCatalogueCopyFile);
  if (kept.ok() && known.catalogue) kept = standin::HandheldImage::Save(copy, *known.catalogue);
  if (!known.catalogue) {
    std::error_code error;
    std::filesystem::remove(copy, error);
  }
  if (kept.ok() && known.trackerPreference) {
    namespace prefs = palm::saved_preferences;
    namespace pref = tracker_preference;
    palm::Database preferences = prefs::NewDatabase(prefs::kSavedName, palm::PalmNow());
    preferences.resources.push_back(
        {palm::FourCCFromValue(pref::kCreator), pref::kPreferenceId, *known.trackerPreference});
    kept = standin::HandheldImage::Save(desktop.UserFile(user, kPreferenceCopyFile), preferences);
  }
  if (!kept.ok()) {
    std::cerr << "oq-hotsync: what was learnt of the handheld could not be kept (the next HotSync reads it all "
                 "again): "
              << kept.failure() << "\n";
  }
}

bool PrintWarningsAndError(const cataloguer::CatalogueResult& result) {
  for (const auto& warning : result.warnings) std::cerr << "oq-hotsync: " << WithoutControls(warning) << "\n";
  if (!result.error.empty()) std::cerr << "oq-hotsync: " << result.error << "\n";
  return result.error.empty();
}

bool ReportCatalogue(const cataloguer::CatalogueResult& result) {
  if (!PrintWarningsAndError(result)) return false;
  if (!result.damagedCatalogue.empty()) {
    std::cerr << "oq-hotsync: the catalogue is damaged: " << result.damagedCatalogue << "\n";
  } else if (!result.unreadCatalogue.empty()) {
    std::cerr << "oq-hotsync: the catalogue could not be read: " << result.unreadCatalogue
              << "; it was left as it was\n";
  } else if (result.foreignCatalogue) {
    std::cerr << "oq-hotsync: the catalogue was made by the OrbitQuail handheld program; it is used as it is\n";
  } else if (result.listFailure.empty() && result.changes.Any()) {
    std::cerr << "oq-hotsync: catalogue: " << result.Counts() << "\n";
  }
  return true;
}

void ReportIncompleteCatalogue(const cataloguer::CatalogueResult& result) {
  if (!result.unreadCatalogue.empty()) {
    std::cerr << "oq-hotsync: the catalogue was not refreshed, as it could not be read; sync again\n";
    return;
  }
  if (!result.listFailure.empty()) {
    std::cerr << "oq-hotsync: the catalogue was not refreshed, as the handheld's database list could not be read; "
                 "sync again\n";
    return;
  }
  const size_t count = result.unreadable.size();
  std::cerr << "oq-hotsync: " << count << (count == 1 ? " program" : " programs") << " could not be read and kept "
            << (count == 1 ? "its" : "their")
            << " catalogue record as it was (see above); sync again once the handheld can read "
            << (count == 1 ? "it" : "them") << "\n";
}

}  // namespace oq::hotsync
