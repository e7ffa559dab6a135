#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

#include "module_resources.h"
#include "resource_table.h"
#include "terminal_dialogs.h"

namespace oq::terminal {
namespace {
std::string lastHelpRequest;
}  // namespace

std::string LastHelpRequest() { return lastHelpRequest; }

}  // namespace oq::terminal

namespace oq::platform {

int32_t LoadResourceString(uint32_t id, char* buffer, int32_t max) {
  if (buffer == nullptr || max <= 0) return 0;
  for (size_t i = 0; i < resources::kModuleStringCount; ++i) {
    if (resources::kModuleStrings[i].id != id) continue;
    const size_t length = std::min(std::strlen(resources::kModuleStrings[i].text), static_cast<size_t>(max - 1));
    std::memcpy(buffer, resources::kModuleStrings[i].text, length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length);
  }
  buffer[0] = '\0';
  return 0;
}

// The file this function's code was loaded from: the conduit library when
// linked into it, the program otherwise.
uint32_t GetModulePath(char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&GetModulePath), &info) == 0 || info.dli_fname == nullptr) return 0;
  char resolved[PATH_MAX];
  const char* path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  const size_t length = std::strlen(path);
  if (length + 1 > size) return 0;
  std::memcpy(buffer, path, length + 1);
  return static_cast<uint32_t>(length);
}

char PathSeparator() { return '/'; }

bool OpenHelp(const char* helpFile, uint32_t context) {
  char line[32];
  std::snprintf(line, sizeof line, "@0x%X", context);
  terminal::lastHelpRequest = std::string(helpFile) + line;
  // The Windows help file is not part of this build: point at what is.
  std::fprintf(stderr,
               "Help (topic 0x%X of %s, a Windows help file): on this desktop, see `man oq-hotsync` and the README's "
               "\"Dialogs on a terminal\"\n",
               context, helpFile);
  return true;
}

}  // namespace oq::platform
