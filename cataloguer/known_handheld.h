// What the desktop learnt of a live handheld at its last HotSync, kept per
// user so that the next HotSync reads only what changed: each program's
// database list entry with what was read of the program, and a copy of the
// catalogue as the HotSync left it, stamped with the list entry it had
// then. A program or a catalogue whose entry is as it was is taken from
// here, unread; anything missing or damaged here is read from the handheld.
//
// The programs are kept as text, one a line of tab-separated fields (see
// escaped_fields.h): name, type, creator, version, modification number,
// modification date (Palm seconds), launcher name, installed version. The
// first line names the format; a file of another format is rebuilt.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "palm_database.h"

namespace oq::cataloguer {

// What a database list entry says of a database's state: when any of it
// differs, the database changed.
struct DatabaseStamp {
  uint32_t type = 0;
  uint32_t creator = 0;
  uint16_t version = 0;
  uint32_t modificationNumber = 0;
  uint32_t modified = 0;  // Palm seconds

  bool operator==(const DatabaseStamp&) const = default;
};

struct KnownProgram {
  DatabaseStamp stamp;
  std::string altName;
  std::string installedVersion;
};

class KnownPrograms {
 public:
  static KnownPrograms Parse(std::string_view text);
  std::string Serialize() const;

  // The program as learnt, when its entry is still `stamp`.
  const KnownProgram* Find(const std::string& name, const DatabaseStamp& stamp) const;
  void Learn(const std::string& name, KnownProgram program) { programs_[name] = std::move(program); }
  // Forgets the programs the handheld no longer lists.
  void KeepOnly(const std::set<std::string>& names);

 private:
  std::map<std::string, KnownProgram> programs_;
};

struct KnownHandheld {
  KnownPrograms programs;
  // As the handheld holds it, in its order; the header's modification
  // number and date are the list entry's when the copy was taken.
  std::optional<palm::Database> catalogue;
  // The tracker preference as the handheld holds it (its version, then its
  // bytes, as a preferences database stores it); none when not seen.
  std::optional<std::vector<uint8_t>> trackerPreference;
  // Where the catalogue stands in this HotSync's database list, to read
  // its entry again at the end; none when it was made in this HotSync.
  std::optional<uint16_t> catalogueIndex;
};

// The stamp a catalogue copy carries.
DatabaseStamp StampOf(const palm::Database& copy);
void Stamp(palm::Database& copy, const DatabaseStamp& stamp);

}  // namespace oq::cataloguer
