// The calling module's resources, file and help.
#include <windows.h>

#include "module_resources.h"
#include "win32_module.h"

namespace oq::platform {

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

int32_t LoadResourceString(uint32_t id, char* buffer, int32_t max) {
  if (buffer == nullptr || max <= 0) return 0;
  return LoadStringA(ThisModule(), id, buffer, max);
}

uint32_t GetModulePath(char* buffer, uint32_t size) {
  const DWORD length = GetModuleFileNameA(ThisModule(), buffer, size);
  return length < size ? length : 0;
}

char PathSeparator() { return '\\'; }

bool OpenHelp(const char* helpFile, uint32_t context) {
  return WinHelpA(GetForegroundWindow(), helpFile, HELP_CONTEXT, context) != FALSE;
}

}  // namespace oq::platform
