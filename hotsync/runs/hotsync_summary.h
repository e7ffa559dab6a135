// What is said and kept after a HotSync: the line that sums up a pass that
// tracked, and the desktop's log of HotSyncs (`oq-hotsync log`), one line
// each in the Palm Desktop directory's "hotsync-log.txt": when, whose,
// which handheld, how many programs were tracked and outdated, and how it
// ended. Fields are tab-separated and escaped as the cataloguer's files are.
#pragma once

#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue_rows.h"
#include "desktop_directory.h"

namespace oq::hotsync {

inline constexpr const char* kHotSyncLogFile = "hotsync-log.txt";

// "6 programs tracked, 4 with a newer version; `SHOW` lists them".
std::string SummaryLine(const CatalogueTally& tally, size_t unanswered, const std::string& showCommand);

struct HotSyncEntry {
  std::time_t when = 0;
  std::string user;
  std::string handheld;  // a folder, or "network HotSync from ADDRESS"
  std::optional<size_t> tracked, outdated;
  std::string result;  // "tracked", "nothing tracked", "failed", "interrupted"
};

// Says on stderr when the entry could not be kept; never fails the HotSync.
void AppendHotSyncLog(const standin::DesktopDirectory& desktop, const HotSyncEntry& entry);
std::vector<HotSyncEntry> ReadHotSyncLog(const standin::DesktopDirectory& desktop);

// "2026-12-09 05:50" in local time.
std::string LocalTimeText(std::time_t when);

}  // namespace oq::hotsync
