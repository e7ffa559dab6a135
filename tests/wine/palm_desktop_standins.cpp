// The stand-in Install Aide, Conduit Manager and HotSync API: the
// stand-ins' logic over the Palm Desktop directory, behind the stdcall
// functions the installer imports by ordinal.
#include <windows.h>

#include "palm_desktop.h"

extern "C" {

int WINAPI InstAideGetUserCount(void) { return oq::platform::InstallAideGetUserCount(); }
int WINAPI InstAideGetUserName(int index, char* buffer, short* size) {
  uint16_t value = size ? static_cast<uint16_t>(*size) : 0;
  return oq::platform::InstallAideGetUserName(index, buffer, &value);
}
int WINAPI InstAideQueueFile(const char* user, const char* path) {
  return oq::platform::InstallAideQueueFile(user, path);
}
int WINAPI InstAideGetPath(int which, char* buffer, short* size) {
  uint16_t value = size ? static_cast<uint16_t>(*size) : 0;
  return oq::platform::InstallAideGetPath(which, buffer, &value);
}

int WINAPI CondMgrSetLibrary(const char* creator, const char* library) {
  return oq::platform::ConduitManagerSetLibrary(creator, library);
}
int WINAPI CondMgrSetTitle(const char* creator, const char* title) {
  return oq::platform::ConduitManagerSetTitle(creator, title);
}
int WINAPI CondMgrRemoveEntry(const char* creator) { return oq::platform::ConduitManagerRemoveEntry(creator); }
int WINAPI CondMgrCreateEntry(const char* creator, int type) {
  return oq::platform::ConduitManagerCreateEntry(creator, type);
}

long WINAPI HsRefreshConduits(void) { return oq::platform::HotSyncRefreshConduits(); }

}  // extern "C"
