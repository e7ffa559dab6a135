// The cataloguer over a backup folder (a handheld image): what the handheld
// program would have done before a HotSync, done on the desktop.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "installed_program.h"
#include "program_catalogue.h"

namespace oq::cataloguer {

struct FolderCatalogue {
  std::string error;  // what could not be written; empty on success
  std::vector<InstalledProgram> programs;
  CatalogueChanges changes;
  bool catalogueWritten = false;
  bool foreignCatalogue = false;  // made by the handheld program, left as it is
  std::string damagedCatalogue;   // what is wrong with a catalogue that is left as it is
  bool preferenceCreated = false;
  std::vector<std::string> warnings;  // files passed over, and why

  // "8 programs, 1 added, 1 updated, 1 removed"
  std::string Counts() const;
};

// Lists the programs in `folder`, refreshes (or creates) OQProgDB there
// and creates the tracker preference when there is none. Every file is
// replaced atomically; a damaged catalogue or preferences file is never
// rewritten.
FolderCatalogue CatalogueBackupFolder(const std::filesystem::path& folder);

}  // namespace oq::cataloguer
