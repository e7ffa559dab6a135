// SIGINT and SIGTERM during a HotSync: they set a flag that the HotSync
// looks at between its steps and the Sync Manager at every call, so that a
// stop ends it with its state put right instead of killing it half-way.
#pragma once

#include <csignal>

namespace oq::hotsync {

// Non-zero once a stop was asked for.
extern volatile std::sig_atomic_t stopRequested;

// Installs the handlers (without SA_RESTART, so that a wait returns to look
// at the flag) and clears the flag.
void CatchStopSignals();

}  // namespace oq::hotsync
