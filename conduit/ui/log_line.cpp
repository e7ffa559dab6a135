#include "log_line.h"

#include <string>

#include "hotsync_log.h"
#include "sync_manager.h"

namespace oq {

void AddLogLine(int32_t write, const char* text, uint8_t prefixed) {
  if (write == 0) return;
  std::string line = prefixed != 0 ? kErrorLinePrefix : "";
  line += text;
  LogAddEntry(line.c_str(), hotsynclog::kActivityText, 0);
}

void AddSyncManagerLogLine(const char* text) { SyncAddLogEntry(text); }

}  // namespace oq
