// The cataloguer's pass as a HotSync runs it, over a folder or a live
// handheld: with the flags the desktop remembers for the user, so that a
// program that comes back gets them again, and its outcome said on stderr.
#pragma once

#include <functional>
#include <string>

#include "catalogue_pass.h"
#include "desktop_directory.h"
#include "known_handheld.h"
#include "remembered_flags.h"

namespace oq::hotsync {

// What the desktop keeps of a user's handheld, in the user's desktop folder.
inline constexpr const char* kRememberedFlagsFile = "remembered-flags.txt";
inline constexpr const char* kKnownProgramsFile = "known-programs.txt";
inline constexpr const char* kCatalogueCopyFile = "OQProgDB.pdb";
// The tracker preference as the handheld holds it, beside the catalogue's
// copy, so that `show --user` reads the user's folder as a handheld's.
inline constexpr const char* kPreferenceCopyFile = "Saved Preferences.prc";

using CataloguerRun = std::function<cataloguer::CatalogueResult(cataloguer::RememberedFlags*)>;

// Runs `run` with the flags remembered for `user` (none for a user the
// desktop does not know) and keeps what it learnt; a file of them that
// cannot be read is said and left alone.
cataloguer::CatalogueResult RunCataloguerFor(const standin::DesktopDirectory& desktop, const std::string& user,
                                             const CataloguerRun& run);

// What the desktop learnt of the user's live handheld at its last HotSync;
// a file that is missing or does not read gives nothing, never an error.
cataloguer::KnownHandheld LoadKnownHandheld(const standin::DesktopDirectory& desktop, const std::string& user);
// Keeps it for the next HotSync; without a catalogue copy, the one kept
// before is removed. Says on stderr what could not be written.
void SaveKnownHandheld(const standin::DesktopDirectory& desktop, const std::string& user,
                       const cataloguer::KnownHandheld& known);

// The pass's warnings and what it could not write, on stderr; false when
// there was such a failure.
bool PrintWarningsAndError(const cataloguer::CatalogueResult& result);

// The warnings, a catalogue left as it is, and the counts, on stderr;
// false when the catalogue could not be written.
bool ReportCatalogue(const cataloguer::CatalogueResult& result);

// After the conduit ran on a catalogue the pass could not refresh whole:
// why the HotSync ends with a failure.
void ReportIncompleteCatalogue(const cataloguer::CatalogueResult& result);

}  // namespace oq::hotsync
