// What the reference tracker answers to one query, as the tagged body the
// conduit's reply parser reads.
#pragma once

#include <optional>
#include <string>

#include "catalog.h"

namespace oq::tracker {

struct TrackerSettings {
  std::string message = "Welcome to the OrbitQuail tracker.";
  std::optional<std::string> minimumClient;  // e.g. "1.30"
};

struct Query {
  bool init = false;
  std::string creator;
  std::string name;
  std::string userAgent;  // "OrbitQuail/x.yz"
};

// `found` is the catalogue's entry for the query's creator; none when it
// has no such program.
std::string ReplyBody(const Query& query, const CatalogEntry* found, const TrackerSettings& settings);

}  // namespace oq::tracker
