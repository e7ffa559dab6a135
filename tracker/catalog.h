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
  // impossible date, a version that is not dotted numbers.
  static std::optional<Catalog> Load(const std::filesystem::path& path, std::string& error,
                                     std::vector<std::string>& warnings);

  const CatalogEntry* Find(const std::string& creator) const;
  size_t size() const { return entries_.size(); }

 private:
  std::map<std::string, CatalogEntry> entries_;
};

}  // namespace oq::tracker
