// The Palm Desktop libraries the installer talks to, by role: Install Aide
// (HotSync users, the Palm Desktop directory, the install queue), the
// Conduit Manager (conduit registration) and the HotSync API.
//
// Every call blocks until done. Buffers belong to the caller; a size passed
// by address holds the buffer's size and is not written. Results are the
// libraries' own codes; only those named here carry a meaning callers rely
// on.
#pragma once

#include <cstdint>
#include <string>

namespace oq::platform {

// False, naming the first library that is missing, when the Palm Desktop
// libraries cannot be found: Palm Desktop is not installed.
bool PalmDesktopLibrariesFound(std::string& missing);

// Install Aide.
inline constexpr int32_t kDesktopPathOfPalmDesktop = 1;
inline constexpr int32_t kInstallAlreadyQueued = -512;

int32_t InstallAideGetPath(int32_t which, char* buffer, uint16_t* size);      // 108
int32_t InstallAideGetUserCount();                                            // 101
int32_t InstallAideGetUserName(int32_t index, char* buffer, uint16_t* size);  // 102
int32_t InstallAideQueueFile(const char* user, const char* path);             // 103

// Conduit Manager; `creator` is the four-character code as a text.
inline constexpr int32_t kConduitEntryExists = -1005;
inline constexpr int32_t kConduitTypeApplication = 1;

int32_t ConduitManagerCreateEntry(const char* creator, int32_t type);        // 67
int32_t ConduitManagerRemoveEntry(const char* creator);                      // 65
int32_t ConduitManagerSetLibrary(const char* creator, const char* library);  // 46
int32_t ConduitManagerSetTitle(const char* creator, const char* title);      // 54

// HotSync API: a running HotSync Manager rereads the conduit registry.
int32_t HotSyncRefreshConduits();  // 108

}  // namespace oq::platform
