#include "catalog.h"

#include <fstream>
#include <vector>

namespace oq::tracker {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::optional<Catalog> Catalog::Load(const std::filesystem::path& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read the catalogue " + path.string();
    return std::nullopt;
  }
  std::string line;
  if (!std::getline(in, line)) {
    error = path.string() + " is empty; it needs a header line: creator, version, date, msg";
    return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const auto header = SplitTabs(line);
  std::map<std::string, size_t> column;
  for (size_t i = 0; i < header.size(); ++i) column[header[i]] = i;
  for (const char* name : {"creator", "version", "date", "msg"}) {
    if (!column.count(name)) {
      error = path.string() + ": the header line has no '" + name + "' column";
      return std::nullopt;
    }
  }

  Catalog catalog;
  for (int number = 2; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const auto fields = SplitTabs(line);
    if (fields.size() < header.size()) {
      error = path.string() + ":" + std::to_string(number) + ": expected " + std::to_string(header.size()) +
              " tab-separated fields, found " + std::to_string(fields.size());
      return std::nullopt;
    }
    catalog.entries_[fields[column["creator"]]] = {fields[column["version"]], fields[column["date"]],
                                                   fields[column["msg"]]};
  }
  return catalog;
}

const CatalogEntry* Catalog::Find(const std::string& creator) const {
  auto it = entries_.find(creator);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace oq::tracker
