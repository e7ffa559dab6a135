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

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

bool IsCatalogDate(const std::string& text) {
  const size_t first = text.find('/');
  const size_t second = first == std::string::npos ? first : text.find('/', first + 1);
  if (second == std::string::npos) return false;
  const std::string year = text.substr(0, first), month = text.substr(first + 1, second - first - 1),
                    day = text.substr(second + 1);
  if (year.size() != 4 || month.size() > 2 || day.size() > 2) return false;
  if (!AllDigits(year) || !AllDigits(month) || !AllDigits(day)) return false;
  const int y = std::stoi(year), m = std::stoi(month), d = std::stoi(day);
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1948 || y > 2203 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return !(m == 2 && d == 29 && !leap);
}

bool IsDottedVersion(const std::string& text) {
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    if (!AllDigits(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start))) return false;
    if (dot == std::string::npos) return true;
    start = dot + 1;
  }
}

std::optional<Catalog> Catalog::Load(const std::filesystem::path& path, std::string& error,
                                     std::vector<std::string>& warnings) {
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
    const std::string where = path.string() + ":" + std::to_string(number) + ": ";
    const std::string& creator = fields[column["creator"]];
    const CatalogEntry entry{fields[column["version"]], fields[column["date"]], fields[column["msg"]]};
    if (!catalog.entries_.emplace(creator, entry).second) {
      error = where + "the creator code \"" + creator + "\" is listed a second time";
      return std::nullopt;
    }
    if (creator.size() != 4) {
      warnings.push_back(where + "the creator code \"" + creator +
                         "\" is not four characters; no handheld asks for it");
    }
    if (!IsCatalogDate(entry.date)) warnings.push_back(where + "\"" + entry.date + "\" is not a date (YYYY/MM/DD)");
    if (!IsDottedVersion(entry.version)) {
      warnings.push_back(where + "the version \"" + entry.version + "\" is not dotted numbers (such as 2.4)");
    }
  }
  return catalog;
}

const CatalogEntry* Catalog::Find(const std::string& creator) const {
  auto it = entries_.find(creator);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace oq::tracker
