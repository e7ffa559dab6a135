// oq-hotsync catalog: the catalogue of a handheld image built or refreshed
// from its installed programs, as `sync` does before the conduit runs.
#include <iostream>

#include "backup_folder.h"
#include "catalogue_refresh.h"
#include "commands.h"
#include "handheld_folder.h"
#include "terminal_text.h"

namespace oq::hotsync {

namespace {

void PrintNames(const char* what, const std::vector<std::string>& names) {
  for (const auto& name : names) std::cout << "  " << what << " " << TerminalText(name) << "\n";
}

}  // namespace

int RunCatalog(const CatalogOptions& options) {
  if (const int status = CheckHandheldFolder(options.handheld, FolderUse::kWrite); status != kExitOk) return status;
  const auto lock = HotSyncLock::OnFolder(options.handheld);
  if (!lock) {
    std::cerr << "oq-hotsync: another HotSync of this handheld is running; try again when it has ended\n";
    return kExitConduitFailed;
  }
  const standin::DesktopDirectory desktop;
  const auto result = RunCataloguerFor(desktop, UserForFolder(options.handheld, options.user),
                                       [&](cataloguer::RememberedFlags* remembered) {
                                         return cataloguer::CatalogueBackupFolder(options.handheld, remembered);
                                       });
  if (!PrintWarningsAndError(result)) return kExitConduitFailed;
  if (!result.damagedCatalogue.empty()) {
    std::cerr << "oq-hotsync: the catalogue is damaged (" << result.damagedCatalogue << "); it is left as it is\n";
    return kExitConduitFailed;
  }
  if (!result.listFailure.empty()) return kExitConduitFailed;
  if (result.foreignCatalogue) {
    std::cout << "The catalogue was made by the OrbitQuail handheld program; it is left as it is ("
              << result.programs.size() << " programs installed).\n";
  } else {
    const auto& changes = result.changes;
    std::cout << "Catalogue of " << options.handheld.string() << ": " << result.Counts() << "\n";
    PrintNames("added", changes.added);
    PrintNames("updated", changes.updated);
    PrintNames("removed", changes.removed);
  }
  if (result.preferenceCreated) std::cout << "Created the OrbitQuail preference (skipped programs are not tracked).\n";
  if (!result.Complete()) {
    ReportIncompleteCatalogue(result);
    return kExitConduitFailed;
  }
  return kExitOk;
}

}  // namespace oq::hotsync
