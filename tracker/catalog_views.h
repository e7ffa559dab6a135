// The catalogue as people and programs read it: the status page a browser
// shows at /, and JSON for /catalog.json and the maintainers' commands.
#pragma once

#include <string>
#include <vector>

#include "catalog_db.h"
#include "tracker_replies.h"

namespace oq::tracker {

// A page that needs no scripts: how many programs the tracker knows, the
// latest changes, the unknown programs asked for most, the server's message.
std::string StatusPage(CatalogDb& db, const TrackerSettings& settings);

std::string ProgramsJson(const std::vector<ProgramRow>& rows);
std::string UnknownJson(const std::vector<UnknownRow>& rows);

// "2026-12-09 15:04 UTC"
std::string UtcTime(int64_t unixSeconds);

}  // namespace oq::tracker
