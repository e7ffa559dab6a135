#include "tracker_replies.h"

#include <cstdlib>
#include <vector>

namespace oq::tracker {

namespace {

constexpr const char* kAgentPrefix = "OrbitQuail/";

std::vector<long> VersionNumbers(const std::string& version) {
  std::vector<long> numbers;
  size_t start = 0;
  while (start <= version.size()) {
    const size_t dot = version.find('.', start);
    numbers.push_back(std::strtol(version.substr(start, dot - start).c_str(), nullptr, 10));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return numbers;
}

std::string Element(const char* name, const std::string& content) {
  return std::string("<") + name + ">" + content + "</" + name + ">\n";
}

}  // namespace

bool VersionBefore(const std::string& version, const std::string& minimum) {
  auto a = VersionNumbers(version);
  auto b = VersionNumbers(minimum);
  a.resize(std::max(a.size(), b.size()), 0);
  b.resize(a.size(), 0);
  return a < b;
}

std::string ReplyBody(const Query& query, const Catalog& catalog, const TrackerSettings& settings) {
  if (settings.minimumClient) {
    const bool isConduit = query.userAgent.rfind(kAgentPrefix, 0) == 0;
    const std::string version = isConduit ? query.userAgent.substr(std::string(kAgentPrefix).size()) : "0";
    if (VersionBefore(version, *settings.minimumClient)) {
      return Element("status", "oldclient") +
             Element("msg", "OrbitQuail " + *settings.minimumClient + " or later is needed.");
    }
  }
  if (query.init) return Element("status", "okay") + Element("msg", settings.message);
  if (query.creator.empty()) return Element("status", "error") + Element("msg", "The query names no program.");
  if (const CatalogEntry* entry = catalog.Find(query.creator)) {
    return Element("status", "okay") + Element("version", entry->version) + Element("date", entry->date) +
           Element("msg", entry->msg);
  }
  return Element("status", "nodata") + Element("msg", "No version information for " + query.name + ".");
}

}  // namespace oq::tracker
