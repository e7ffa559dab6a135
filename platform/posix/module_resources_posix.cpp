#include <algorithm>
#include <cstring>

#include "module_resources.h"
#include "resource_table.h"

namespace oq::platform {

int32_t LoadResourceString(uint32_t id, char* buffer, int32_t max) {
  if (buffer == nullptr || max <= 0) return 0;
  for (size_t i = 0; i < posix::kModuleStringCount; ++i) {
    if (posix::kModuleStrings[i].id != id) continue;
    const size_t length = std::min(std::strlen(posix::kModuleStrings[i].text), static_cast<size_t>(max - 1));
    std::memcpy(buffer, posix::kModuleStrings[i].text, length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length);
  }
  buffer[0] = '\0';
  return 0;
}

}  // namespace oq::platform
