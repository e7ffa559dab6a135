// The text of an initialisation file, read and changed the way the
// platform's private-profile calls do: "[Section]" headers and "Key=Value"
// lines, names matched without regard to case, blanks around names and
// values ignored, one pair of matching quotes around a value dropped. A
// change rewrites only the line of its key; every other line, comments and
// unknown lines included, is kept as it was, each with its own line end.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oq::storage {

class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  bool HasSection(std::string_view section) const;
  // Drops the section's header and every line up to the next section.
  void RemoveSection(std::string_view section);
  // Removes the key's line, if there is one.
  void Remove(std::string_view section, std::string_view key);
  std::string Serialize() const;

 private:
  // Ends a line that a new line is to follow.
  void EndLine(std::string& line) const;

  std::vector<std::string> lines_;  // each with the line end it was read with
  std::string lineEnd_ = "\n";      // for lines added
};

}  // namespace oq::storage
