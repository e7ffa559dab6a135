// The simulated handheld's DLP side: its databases, and its answer to each
// request the desktop makes over `link`.
#pragma once

#include "handheld_link.h"
#include "sim_options.h"

namespace sim {

// Serves one HotSync: its databases and handheld.txt go to the save
// folder when it ends. 0 after EndOfSync, 3 when the desktop hung up first
// (or the link failed).
int RunHandheld(HandheldLink& link, Options options);

}  // namespace sim
