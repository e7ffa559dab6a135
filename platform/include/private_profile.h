// Private-profile (initialisation) files, with the platform's semantics.
//
// A file is named by a bare name, which lives in the platform's Windows
// directory, or by a path. Section and key names match without regard to
// case. A read copies the value, or the default when the key or the file is
// missing, into the caller's buffer, cut to size - 1 characters with the
// terminator inside, and returns the number of characters copied. A write
// sets one key, keeping every other line of the file, and returns false when
// the file could not be written. Both block until the file is read or
// replaced.
#pragma once

#include <cstdint>

namespace oq::platform {

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t bufferSize, const char* fileName);

bool WriteProfileValue(const char* section, const char* key, const char* value, const char* fileName);

}  // namespace oq::platform
