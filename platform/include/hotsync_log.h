// The HotSync log: the desktop-side log the user reads after a HotSync.
//
// One C function of the HotSync log library (ordinal 52), cdecl. The text is
// the caller's and is copied during the call; the result carries nothing the
// conduit uses.
#pragma once

#include <cstdint>

namespace oq::hotsynclog {
// Activity code for a plain text line.
constexpr int32_t kActivityText = -1;
}  // namespace oq::hotsynclog

extern "C" {
int32_t LogAddEntry(const char* text, int32_t activity, int32_t timestamp);  // ordinal 52
}
