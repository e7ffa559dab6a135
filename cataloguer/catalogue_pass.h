// The cataloguer's pass, the same over a backup folder and over a live
// handheld: list the installed programs, refresh (or create) OQProgDB and
// create the tracker preference when there is none. A damaged or foreign
// catalogue and a damaged preferences database are never rewritten. A pass
// that could not see the whole handheld changes nothing it did not see: a
// list that could not be read leaves the catalogue as it is, and a program
// that could not be read keeps its record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "installed_program.h"
#include "outcome.h"
#include "palm_database.h"
#include "program_catalogue.h"

namespace oq::cataloguer {

struct CatalogueResult {
  std::string error;                    // what could not be written; empty on success
  std::string listFailure;              // why the database list could not be read: the catalogue was left as it was
  std::vector<std::string> unreadable;  // programs that could not be read: their records were kept as they were
  std::vector<InstalledProgram> programs;
  CatalogueChanges changes;
  bool catalogueWritten = false;
  bool foreignCatalogue = false;  // made by the handheld program, left as it is
  std::string damagedCatalogue;   // what is wrong with a catalogue that is left as it is
  std::string unreadCatalogue;    // why the catalogue could not be read this time: it is left as it is
  bool preferenceCreated = false;
  std::vector<std::string> warnings;  // databases passed over, and why

  // "8 programs, 1 added, 1 updated, 1 removed"
  std::string Counts() const;
  // Whether the pass saw every program on the handheld.
  bool Complete() const { return listFailure.empty() && unreadable.empty() && unreadCatalogue.empty(); }
};

// What a handheld's list of programs gave.
struct ProgramListing {
  std::vector<InstalledProgram> programs;
  std::vector<std::string> unreadable;  // database names of programs that could not be read
  std::string failure;                  // set when the list itself could not be read whole
};

// What the pass reads and writes, on one kind of handheld.
class CatalogueHandheld {
 public:
  virtual ~CatalogueHandheld() = default;

  // The installed programs (see IsProgram and DescribeProgram); a program
  // that cannot be read is named in the listing, with a warning saying why.
  virtual ProgramListing Programs(std::vector<std::string>& warnings) = 0;

  struct StoredCatalogue {
    std::optional<palm::Database> database;  // none: there is no catalogue
    std::string damaged;                     // set when there is one whose contents do not read
    std::string unread;                      // set when there is one the handheld could not give now
  };
  virtual StoredCatalogue LoadCatalogue() = 0;
  // Replaces the catalogue (`existing` is what LoadCatalogue gave).
  virtual Outcome SaveCatalogue(const std::optional<palm::Database>& existing, const palm::Database& catalogue) = 0;

  enum class PreferenceState { kPresent, kAbsent, kUnreadable };
  // kUnreadable comes with what is wrong in `detail`.
  virtual PreferenceState TrackerPreference(std::string& detail) = 0;
  // Stores the preference (its resource bytes: version, then the block).
  virtual Outcome AddTrackerPreference(const std::vector<uint8_t>& stored) = 0;
};

// `remembered`: the flags the desktop keeps for this handheld's user, or
// none; brought up to date with the catalogue.
CatalogueResult RunCataloguer(CatalogueHandheld& handheld, uint32_t now, RememberedFlags* remembered = nullptr);

}  // namespace oq::cataloguer
