// The resources of the module (conduit library or installer) that calls.
//
// String resources are the module's own table, by number. A load copies at
// most max - 1 characters and a terminator into the caller's buffer and
// returns the characters copied: 0 when the string does not exist or max is 0.
#pragma once

#include <cstdint>

namespace oq::platform {

int32_t LoadResourceString(uint32_t id, char* buffer, int32_t max);

}  // namespace oq::platform
