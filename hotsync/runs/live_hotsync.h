// One whole HotSync with a live handheld, as the HotSync Manager runs it:
// the user is read and known to the desktop from then on, queued files are
// installed, the catalogue is brought up to date over the link, the
// conduit runs with the user's action against the device, the handheld's
// log and the sync's time are written to it, and EndOfSync tells it how
// the HotSync ended.
#pragma once

#include <csignal>
#include <optional>
#include <string>

#include "conduit_library.h"
#include "dlp_client.h"

namespace oq::hotsync {

struct LiveHotSyncOptions {
  std::optional<std::string> user;  // the name a handheld without one is given
  bool newUser = false;             // take a name known in other letter case as a new user
  bool force = false;               // track past the tracking period
  std::string peer;                 // where the handheld connects from, for people
  std::string wire = "network";     // how it reached the desktop, for the desktop's log
};

// The exit status `sync` would give. `stop` turning non-zero ends the
// HotSync at the next request, the handheld told that it did not complete.
int RunLiveHotSync(dlp::Client& client, ConduitLibrary& conduit, const LiveHotSyncOptions& options,
                   const volatile std::sig_atomic_t& stop);

}  // namespace oq::hotsync
