// oq-hotsync log: the HotSyncs this desktop ran, oldest first.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "hotsync_summary.h"
#include "terminal_text.h"

namespace oq::hotsync {

int RunLog(const LogOptions& options) {
  const standin::DesktopDirectory desktop;
  size_t shown = 0;
  for (const auto& entry : ReadHotSyncLog(desktop)) {
    if (options.user && entry.user != *options.user) continue;
    if (shown++ == 0)
      std::printf("%-16s %-16s %-8s %-8s %-16s %s\n", "WHEN", "USER", "TRACKED", "OUTDATED", "RESULT", "HANDHELD");
    const auto count = [](const std::optional<size_t>& n) { return n ? std::to_string(*n) : std::string("-"); };
    std::printf("%-16s %-16s %-8s %-8s %-16s %s\n", LocalTimeText(entry.when).c_str(), TerminalText(entry.user).c_str(),
                count(entry.tracked).c_str(), count(entry.outdated).c_str(), TerminalText(entry.result).c_str(),
                TerminalText(entry.handheld).c_str());
  }
  if (shown == 0) std::cout << (options.user ? "No HotSync of that user yet.\n" : "No HotSync yet.\n");
  return kExitOk;
}

}  // namespace oq::hotsync
