// oq-hotsync paths: where this desktop's files are and which conduit a
// HotSync would load, so that a copy the installer put in the Palm Desktop
// folder, which wins over the packaged one, is seen.
#include <iostream>

#include "commands.h"
#include "conduit_library.h"
#include "desktop_directory.h"
#include "desktop_paths.h"
#include "hotsync_summary.h"

namespace oq::hotsync {

int RunPaths(const PathsOptions& options) {
  const standin::DesktopDirectory desktop;
  std::cout << "settings file:        " << (storage::WindowsDirectory() / "OrbitQuail.ini").string() << "\n"
            << "Palm Desktop folder:  " << desktop.root().string() << "\n"
            << "HotSync log:          " << (desktop.root() / kHotSyncLogFile).string() << "\n";
  const auto packaged = DefaultConduitPath();
  if (options.conduit) {
    std::cout << "conduit:              " << options.conduit->string() << " (--conduit)\n";
  } else if (const auto registered = desktop.ConduitLibrary(kConduitCreator)) {
    std::cout << "conduit:              " << registered->string() << " (registered for " << kConduitCreator
              << " by the installer";
    if (*registered != packaged) std::cout << "; it is used instead of " << packaged.string();
    std::cout << ")\n";
  } else {
    std::cout << "conduit:              " << packaged.string() << " (none registered: the one beside oq-hotsync)\n";
  }
  return kExitOk;
}

}  // namespace oq::hotsync
