// The reference tracker's catalogue: a tab-separated file with a header
// line naming the columns creator, version, date (YYYY/MM/DD) and msg, one
// program per line, found by its creator code.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oq::tracker {

struct CatalogEntry {
  std::string version;
  std::string date;
  std::string msg;
};

class Catalog {
 public:
  // Empty, with `error` saying what is wrong and where, when the file cannot
  // be used (a creator listed twice among it). `warnings` get a line, with
  // file and line number, for each value the conduit would misread: an
  // impossible date, a version that is not dotted numbers, a creator code
  // that is not four characters.
  static std::optional<Catalog> Load(const std::filesystem::path& path, std::string& error,
                                     std::vector<std::string>& warnings);

  const CatalogEntry* Find(const std::string& creator) const;
  size_t size() const { return entries_.size(); }
  const std::map<std::string, CatalogEntry>& entries() const { return entries_; }

 private:
  std::map<std::string, CatalogEntry> entries_;
};

// YYYY/MM/DD (month and day of one or two digits) naming a day that
// exists, in the years the conduit's year byte holds (1948 to 2203).
bool IsCatalogDate(const std::string& text);
// "1", "2.4", "10.0.3": what newer-version comparisons understand.
bool IsDottedVersion(const std::string& text);

}  // namespace oq::tracker
