// What a HotSync and every subcommand end with, for scripts, and the
// creator code the conduit is registered under.
#pragma once

#include "product.h"

namespace oq::hotsync {

// Exit statuses shared by every subcommand, for scripts.
inline constexpr int kExitOk = 0;
inline constexpr int kExitConduitFailed = 1;   // also: a file could not be written
inline constexpr int kExitUsage = 2;           // bad input
inline constexpr int kExitNothingTracked = 3;  // do-nothing action, the period gate, no catalogue
inline constexpr int kExitOutdated = 4;        // show --outdated: something is outdated

// The creator code the conduit is registered under.
inline constexpr const char* kConduitCreator = product::kCreatorText;

}  // namespace oq::hotsync
