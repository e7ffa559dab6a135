// The cataloguer's pass, the same over a backup folder and over a live
// handheld: list the installed programs, refresh (or create) OQProgDB and
// create the tracker preference when there is none. A damaged or foreign
// catalogue and a damaged preferences database are never rewritten.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "installed_program.h"
#include "palm_database.h"
#include "program_catalogue.h"

namespace oq::cataloguer {

struct CatalogueResult {
  std::string error;  // what could not be written; empty on success
  std::vector<InstalledProgram> programs;
  CatalogueChanges changes;
  bool catalogueWritten = false;
  bool foreignCatalogue = false;  // made by the handheld program, left as it is
  std::string damagedCatalogue;   // what is wrong with a catalogue that is left as it is
  bool preferenceCreated = false;
  std::vector<std::string> warnings;  // databases passed over, and why

  // "8 programs, 1 added, 1 updated, 1 removed"
  std::string Counts() const;
};

// What the pass reads and writes, on one kind of handheld.
class CatalogueHandheld {
 public:
  virtual ~CatalogueHandheld() = default;

  // The installed programs (see IsProgram and DescribeProgram); what cannot
  // be read is passed over with a warning.
  virtual std::vector<InstalledProgram> Programs(std::vector<std::string>& warnings) = 0;

  struct StoredCatalogue {
    std::optional<palm::Database> database;  // none: there is no catalogue
    std::string damaged;                     // set when there is one that cannot be read
  };
  virtual StoredCatalogue LoadCatalogue() = 0;
  // Replaces the catalogue (`existing` is what LoadCatalogue gave); empty
  // on success, else what failed.
  virtual std::string SaveCatalogue(const std::optional<palm::Database>& existing, const palm::Database& catalogue) = 0;

  enum class PreferenceState { kPresent, kAbsent, kUnreadable };
  // kUnreadable comes with what is wrong in `detail`.
  virtual PreferenceState TrackerPreference(std::string& detail) = 0;
  // Stores the preference (its resource bytes: version, then the block);
  // empty on success, else what failed.
  virtual std::string AddTrackerPreference(const std::vector<uint8_t>& stored) = 0;
};

CatalogueResult RunCataloguer(CatalogueHandheld& handheld, uint32_t now);

}  // namespace oq::cataloguer
