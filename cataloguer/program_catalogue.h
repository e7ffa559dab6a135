// The catalogue OQProgDB and the tracker preference as the handheld program
// would write them, made on the desktop from the installed programs.
//
// A refresh keeps what the conduit and the user put into the catalogue: a
// program still installed keeps its record (latest version, release date,
// message, flags, unique id and every byte the cataloguer does not own),
// with the fields that describe the installed program brought up to date;
// a new program gets a new record, with the flags the desktop remembers of
// it; a program no longer installed loses its record, but a program that
// could not be read keeps its record as it was. Records are kept in order
// of program name, as the catalogue stores it (cut to its field).
//
// Catalogues written here carry a mark in their app-info block, which the
// conduit never touches; a catalogue without it came from the handheld
// program and is never rewritten.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "installed_program.h"
#include "palm_database.h"
#include "product.h"
#include "remembered_flags.h"

namespace oq::cataloguer {

inline constexpr const char* kCatalogueName = product::kCatalogueName;

struct CatalogueChanges {
  std::vector<std::string> added, updated, removed, unchanged;  // program names

  bool Any() const { return !added.empty() || !updated.empty() || !removed.empty(); }
};

struct RefreshedCatalogue {
  palm::Database database;
  CatalogueChanges changes;
  bool changed;  // anything to write back: a new catalogue, a change, another order
};

bool IsDesktopCatalogue(const palm::Database& catalogue);

// What a refresh goes by besides the programs it was given.
struct RefreshContext {
  std::vector<std::string> unreadable;          // database names of programs that could not be read
  const RememberedFlags* remembered = nullptr;  // flags for programs that come back
};

// A database name as the catalogue's record holds it.
std::string StoredProgramName(const std::string& name);

// `existing`: the catalogue made here before, or none. `now`: Palm time.
RefreshedCatalogue RefreshCatalogue(const std::optional<palm::Database>& existing,
                                    const std::vector<InstalledProgram>& programs, uint32_t now,
                                    const RefreshContext& context = {});

// The 368-byte record of a program the catalogue has not listed before.
std::vector<uint8_t> NewProgramRecord(const InstalledProgram& program);

// The stored preference a handheld without one gets: the 2-byte version,
// then the 392 bytes, with skipped programs left out of tracking.
std::vector<uint8_t> NewTrackerPreference();

}  // namespace oq::cataloguer
