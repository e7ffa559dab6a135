// The Palm Desktop contract over Install Aide, the Conduit Manager and the
// HotSync API.
#include "palm_desktop.h"
#include "palm_desktop_imports.h"

namespace oq::platform {

namespace {
// Install Aide takes its buffer sizes as 16-bit values by address.
int32_t WithShortSize(uint16_t* size, auto call) {
  short value = size ? static_cast<short>(*size) : 0;
  return call(&value);
}
}  // namespace

int32_t InstallAideGetPath(int32_t which, char* buffer, uint16_t* size) {
  return WithShortSize(size, [&](short* value) { return InstAideGetPath(which, buffer, value); });
}

int32_t InstallAideGetUserCount() { return InstAideGetUserCount(); }

int32_t InstallAideGetUserName(int32_t index, char* buffer, uint16_t* size) {
  return WithShortSize(size, [&](short* value) { return InstAideGetUserName(index, buffer, value); });
}

int32_t InstallAideQueueFile(const char* user, const char* path) { return InstAideQueueFile(user, path); }

int32_t ConduitManagerCreateEntry(const char* creator, int32_t type) { return CondMgrCreateEntry(creator, type); }
int32_t ConduitManagerRemoveEntry(const char* creator) { return CondMgrRemoveEntry(creator); }
int32_t ConduitManagerSetLibrary(const char* creator, const char* library) {
  return CondMgrSetLibrary(creator, library);
}
int32_t ConduitManagerSetTitle(const char* creator, const char* title) { return CondMgrSetTitle(creator, title); }

int32_t HotSyncRefreshConduits() { return static_cast<int32_t>(HsRefreshConduits()); }

}  // namespace oq::platform
