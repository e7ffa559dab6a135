// The Palm Desktop contract over Install Aide, the Conduit Manager and the
// HotSync API, loaded when first needed: the installer runs from the
// product's folder, where Windows would not find them at load time. They
// are looked for in the Palm Desktop folder that the HotSync Manager
// records under the current user, then along the normal search path, and
// called by ordinal.
#include <windows.h>

#include "palm_desktop.h"

namespace oq::platform {

namespace {

constexpr const char* kCoreKey = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
constexpr const char* kPathValues[] = {"Path", "DesktopPath"};

enum Library { kInstallAide, kConduitManager, kHotSyncApi, kLibraryCount };
constexpr const char* kLibraryNames[kLibraryCount] = {"INSTAIDE.dll", "CONDMGR.dll", "HSAPI.dll"};

// Ordinals of the functions called.
constexpr WORD kInstAideGetUserCount = 101;
constexpr WORD kInstAideGetUserName = 102;
constexpr WORD kInstAideQueueFile = 103;
constexpr WORD kInstAideGetPath = 108;
constexpr WORD kCondMgrSetLibrary = 46;
constexpr WORD kCondMgrSetTitle = 54;
constexpr WORD kCondMgrRemoveEntry = 65;
constexpr WORD kCondMgrCreateEntry = 67;
constexpr WORD kHsRefreshConduits = 108;

constexpr int32_t kUnavailable = -1;

HMODULE LoadFromDesktopFolder(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCoreKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    for (const char* value : kPathValues) {
      char folder[MAX_PATH] = {};
      DWORD size = sizeof folder - 1;
      DWORD type = 0;
      if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size) != ERROR_SUCCESS ||
          type != REG_SZ || folder[0] == '\0') {
        continue;
      }
      std::string path = folder;
      if (path.back() != '\\') path += '\\';
      // The library's own folder is searched for what it imports in turn.
      if (HMODULE module = LoadLibraryExA((path + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
        RegCloseKey(key);
        return module;
      }
    }
    RegCloseKey(key);
  }
  return LoadLibraryA(name);
}

HMODULE Module(Library library) {
  static HMODULE modules[kLibraryCount] = {};
  if (modules[library] == nullptr) modules[library] = LoadFromDesktopFolder(kLibraryNames[library]);
  return modules[library];
}

template <typename Function>
Function Find(Library library, WORD ordinal) {
  HMODULE module = Module(library);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

// Calls the function at `ordinal`, or answers kUnavailable without it.
template <typename Function, typename... Arguments>
int32_t Call(Library library, WORD ordinal, Arguments... arguments) {
  auto function = Find<Function>(library, ordinal);
  return function != nullptr ? static_cast<int32_t>(function(arguments...)) : kUnavailable;
}

using CountFunction = int(WINAPI*)();
using TextBySizeFunction = int(WINAPI*)(int, char*, short*);
using TwoTextsFunction = int(WINAPI*)(const char*, const char*);
using TextFunction = int(WINAPI*)(const char*);
using TextAndNumberFunction = int(WINAPI*)(const char*, int);
using RefreshFunction = long(WINAPI*)();

// Install Aide takes its buffer sizes as 16-bit values by address.
int32_t WithShortSize(WORD ordinal, int32_t which, char* buffer, const uint16_t* size) {
  short value = size ? static_cast<short>(*size) : 0;
  return Call<TextBySizeFunction>(kInstallAide, ordinal, static_cast<int>(which), buffer, &value);
}

}  // namespace

bool PalmDesktopLibrariesFound(std::string& missing) {
  for (int library = 0; library < kLibraryCount; ++library) {
    if (Module(static_cast<Library>(library)) == nullptr) {
      missing = kLibraryNames[library];
      return false;
    }
  }
  return true;
}

int32_t InstallAideGetPath(int32_t which, char* buffer, uint16_t* size) {
  return WithShortSize(kInstAideGetPath, which, buffer, size);
}
int32_t InstallAideGetUserCount() { return Call<CountFunction>(kInstallAide, kInstAideGetUserCount); }
int32_t InstallAideGetUserName(int32_t index, char* buffer, uint16_t* size) {
  return WithShortSize(kInstAideGetUserName, index, buffer, size);
}
int32_t InstallAideQueueFile(const char* user, const char* path) {
  return Call<TwoTextsFunction>(kInstallAide, kInstAideQueueFile, user, path);
}
int32_t ConduitManagerCreateEntry(const char* creator, int32_t type) {
  return Call<TextAndNumberFunction>(kConduitManager, kCondMgrCreateEntry, creator, static_cast<int>(type));
}
int32_t ConduitManagerRemoveEntry(const char* creator) {
  return Call<TextFunction>(kConduitManager, kCondMgrRemoveEntry, creator);
}
int32_t ConduitManagerSetLibrary(const char* creator, const char* library) {
  return Call<TwoTextsFunction>(kConduitManager, kCondMgrSetLibrary, creator, library);
}
int32_t ConduitManagerSetTitle(const char* creator, const char* title) {
  return Call<TwoTextsFunction>(kConduitManager, kCondMgrSetTitle, creator, title);
}
int32_t HotSyncRefreshConduits() { return Call<RefreshFunction>(kHotSyncApi, kHsRefreshConduits); }

}  // namespace oq::platform
