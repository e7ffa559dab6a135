// One run of the conduit's OpenConduit against the handheld the Sync
// Manager has now, as the HotSync Manager runs it: the HotSync log printed
// line by line on stdout as it is written. Shared by `sync` (a folder) and
// `listen` (a live handheld).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "conduit_library.h"
#include "desktop_directory.h"
#include "sync_advice.h"

namespace oq::hotsync {

struct ConduitPass {
  int32_t result = 0;
  bool passRan = false;   // the conduit started tracking
  size_t unanswered = 0;  // programs the tracker gave no answer for
  SyncAdvice advice;
};

ConduitPass RunConduitPass(ConduitLibrary& conduit, int action);

// The action chosen for the next HotSync only (used up now), else the
// default one.
int ChosenAction(standin::DesktopDirectory& desktop, const std::string& user);

// Text as written, ending in exactly one line feed of its own, on stdout.
void PrintLine(const std::string& line);

}  // namespace oq::hotsync
