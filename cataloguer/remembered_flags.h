// The ignore and skip flags a user set on the handheld's programs, kept on
// the desktop per user: a program that leaves the handheld (uninstalled,
// or passed over while it could not be read) and comes back under the same
// creator and name gets its flags again.
//
// Stored as text, one program a line: creator, name, skip flag, exclude
// flag, separated by tabs. Creator and name are the handheld's bytes, with
// the backslash, tabs, line ends and other control bytes written \xHH. A
// line that does not read is passed over: the file only ever adds
// knowledge, and a damaged one is rebuilt from the next catalogue.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "palm_database.h"

namespace oq::cataloguer {

struct ProgramFlags {
  uint8_t skip = 0;
  uint8_t exclude = 0;

  bool Any() const { return skip != 0 || exclude != 0; }
  friend bool operator==(const ProgramFlags&, const ProgramFlags&) = default;
};

class RememberedFlags {
 public:
  static RememberedFlags Parse(std::string_view text);
  std::string Serialize() const;

  // `name` as the catalogue stores it.
  std::optional<ProgramFlags> Find(const palm::FourCC& creator, const std::string& name) const;
  // What the catalogue's records say now; a record without flags forgets
  // what was remembered of it. Programs without a record stay remembered.
  void Remember(const palm::Database& catalogue);

  bool Empty() const { return flags_.empty(); }

 private:
  std::map<std::pair<palm::FourCC, std::string>, ProgramFlags> flags_;
};

}  // namespace oq::cataloguer
