#include "tracker_replies.h"

#include "version_order.h"

namespace oq::tracker {

namespace {

constexpr const char* kAgentPrefix = "OrbitQuail/";

std::string Element(const char* name, const std::string& content) {
  return std::string("<") + name + ">" + content + "</" + name + ">\n";
}

// Text from a request, made inert: no tag of its own can close or open an
// element of the reply.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string ReplyBody(const Query& query, const CatalogEntry* found, const TrackerSettings& settings) {
  if (settings.minimumClient) {
    const bool isConduit = query.userAgent.rfind(kAgentPrefix, 0) == 0;
    const std::string version = isConduit ? query.userAgent.substr(std::string(kAgentPrefix).size()) : "0";
    if (palm::VersionBefore(version, *settings.minimumClient)) {
      return Element("status", "oldclient") +
             Element("msg", "OrbitQuail " + *settings.minimumClient + " or later is needed.");
    }
  }
  if (query.init) return Element("status", "okay") + Element("msg", settings.message);
  if (query.creator.empty()) return Element("status", "error") + Element("msg", "The query names no program.");
  if (found) {
    return Element("status", "okay") + Element("version", found->version) + Element("date", found->date) +
           Element("msg", found->msg);
  }
  return Element("status", "nodata") + Element("msg", "No version information for " + Escaped(query.name) + ".");
}

}  // namespace oq::tracker
