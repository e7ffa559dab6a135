// The Palm Desktop libraries' functions as they are imported by ordinal
// (the names are ours; the .def files bind them to the ordinals).
#pragma once

#include <windows.h>

extern "C" {
int WINAPI InstAideGetUserCount(void);
int WINAPI InstAideGetUserName(int index, char* buffer, short* size);
int WINAPI InstAideQueueFile(const char* user, const char* path);
int WINAPI InstAideGetPath(int which, char* buffer, short* size);

int WINAPI CondMgrSetLibrary(const char* creator, const char* library);
int WINAPI CondMgrSetTitle(const char* creator, const char* title);
int WINAPI CondMgrRemoveEntry(const char* creator);
int WINAPI CondMgrCreateEntry(const char* creator, int type);

long WINAPI HsRefreshConduits(void);
}
