// Reading and writing the TrackerPreference (layout in
// tracker_preference_layout.h) through the Sync Manager.
#pragma once

#include <cstdint>
#include <string>

#include "tracker_preference_layout.h"

namespace oq {

// 0 when read and of version 0x130; the Sync Manager's code when the read
// failed; -1 when another version is stored. Logs its failures.
int ReadTrackerPreference(uint8_t* buffer);

// 0, or the Sync Manager's code (logged).
int WriteTrackerPreference(uint8_t* buffer);

// serverMessage becomes the message's first 319 bytes, zero to the end of
// the area; nothing else of the buffer changes.
void StoreServerMessage(uint8_t* buffer, const std::string& message);

}  // namespace oq
