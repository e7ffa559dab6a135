// Settings files through the platform's private-profile calls.
#include <windows.h>

#include "private_profile.h"

namespace oq::platform {

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t bufferSize, const char* fileName) {
  return GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, fileName);
}

bool WriteProfileValue(const char* section, const char* key, const char* value, const char* fileName) {
  return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}

}  // namespace oq::platform
