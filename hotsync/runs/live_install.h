// Installs a user's queued database files on a live handheld, as the
// HotSync Manager does at the start of a HotSync: a database of the same
// name is replaced, each installed file leaves the queue, a file that is
// not a Palm database or that the handheld refuses stays queued.
#pragma once

#include <string>

#include "desktop_directory.h"
#include "dlp_client.h"

namespace oq::hotsync {

// Says on stderr what was installed and what was not; false when the queue
// cannot be examined or the link to the handheld failed.
bool InstallQueuedOnHandheld(standin::DesktopDirectory& desktop, const std::string& user, dlp::Client& client);

}  // namespace oq::hotsync
