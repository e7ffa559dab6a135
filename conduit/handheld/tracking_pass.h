// The work of one HotSync over the open program catalogue: the init query,
// the server's message into the preference, then one query per program to
// be tracked, each answer written back into its record at once.
#pragma once

#include <cstdint>

#include "progress_window.h"

namespace oq {

// 0 when the HotSync counts as tracked (also when the server says the
// conduit is too old); -1 or a Sync Manager code otherwise.
int32_t RunTrackingPass(uint8_t dbHandle, ProgressWindow& progress);

}  // namespace oq
