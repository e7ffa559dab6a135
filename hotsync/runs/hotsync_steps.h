// The steps every HotSync takes, whatever reaches its handheld: `sync` runs
// them on a backup folder, `listen` on a handheld over any DLP transport
// (network, and the serial and USB links to come, which differ only below
// dlp::Client). Each run orders them as its handheld allows.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "catalogue_pass.h"
#include "catalogue_rows.h"
#include "conduit_library.h"
#include "conduit_pass.h"
#include "desktop_directory.h"
#include "hotsync_summary.h"

namespace oq::hotsync {

// Whether every desktop file of `user` and the conduit's settings can be
// read; each one that cannot is named on stderr. Nothing runs on a file
// that cannot be read, which is never taken for an empty one.
bool DesktopReadable(const standin::DesktopDirectory& desktop, const std::string& user);

// The conduit's pass with `action` against the handheld the Sync Manager
// has now, past the tracking period when forced, and the Sync Manager's
// session ended after it (what the conduit left open is closed); none,
// said on stderr, when the period could not be passed.
std::optional<ConduitPass> RunTrackingPass(ConduitLibrary& conduit, int action, bool force);

// What a HotSync whose pass ran ends with, said on stderr: the advice after
// the pass (for `command`), then the conduit's failure, nothing tracked, or
// a catalogue the cataloguer could not finish (`catalogue`: none when it
// did not run). `tracked` says more when the pass tracked, `untracked`
// when it did not, each before an unfinished catalogue is reported.
int PassStatus(const ConduitPass& pass, const cataloguer::CatalogueResult* catalogue, const char* command,
               const std::function<void()>& tracked = {}, const std::function<void()>& untracked = {});

// The entry in the desktop's log for a HotSync that ended with `status`,
// with the counts of the catalogue it left (`tally`) when the pass ran.
HotSyncEntry EntryFor(const std::string& user, const std::string& handheld, int status, bool interrupted,
                      const ConduitPass& pass, const std::optional<CatalogueTally>& tally);

}  // namespace oq::hotsync
