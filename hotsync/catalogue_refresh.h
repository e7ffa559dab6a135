// The cataloguer's pass as a HotSync runs it, over a folder or a live
// handheld: with the flags the desktop remembers for the user, so that a
// program that comes back gets them again, and its outcome said on stderr.
#pragma once

#include <functional>
#include <string>

#include "catalogue_pass.h"
#include "desktop_directory.h"
#include "remembered_flags.h"

namespace oq::hotsync {

// Where a user's remembered flags are kept, in the user's desktop folder.
inline constexpr const char* kRememberedFlagsFile = "remembered-flags.txt";

using CataloguerRun = std::function<cataloguer::CatalogueResult(cataloguer::RememberedFlags*)>;

// Runs `run` with the flags remembered for `user` (none for a user the
// desktop does not know) and keeps what it learnt; a file of them that
// cannot be read is said and left alone.
cataloguer::CatalogueResult RunCataloguerFor(const standin::DesktopDirectory& desktop, const std::string& user,
                                             const CataloguerRun& run);

// The warnings, a catalogue left as it is, and the counts, on stderr;
// false when the catalogue could not be written.
bool ReportCatalogue(const cataloguer::CatalogueResult& result);

// After the conduit ran on a catalogue the pass could not refresh whole:
// why the HotSync ends with a failure.
void ReportIncompleteCatalogue(const cataloguer::CatalogueResult& result);

}  // namespace oq::hotsync
