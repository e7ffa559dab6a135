// The resources and the file of the module (conduit library or installer)
// that calls.
//
// String resources are the module's own table, by number. A load copies at
// most max - 1 characters and a terminator into the caller's buffer and
// returns the characters copied: 0 when the string does not exist or max is
// 0. The module path is the full path of the module's own file; help opens
// the platform's help viewer on a file at a context.
#pragma once

#include <cstdint>

namespace oq::platform {

int32_t LoadResourceString(uint32_t id, char* buffer, int32_t max);

// Characters copied, 0 when the path cannot be had.
uint32_t GetModulePath(char* buffer, uint32_t size);

// The directory separator of the platform's paths.
char PathSeparator();

bool OpenHelp(const char* helpFile, uint32_t context);

}  // namespace oq::platform
