// Install Aide, the Conduit Manager and the HotSync API over the stand-in
// Palm Desktop directory.
#include <cstring>
#include <string>

#include "desktop_directory.h"
#include "palm_desktop.h"

namespace oq::platform {

namespace {

constexpr int32_t kFailed = -1;

// As Install Aide answers: the text's length, or kFailed.
int32_t CopyOut(const std::string& text, char* buffer, const uint16_t* size) {
  if (buffer == nullptr || size == nullptr || *size == 0) return kFailed;
  if (text.size() + 1 > *size) return kFailed;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<int32_t>(text.size());
}

}  // namespace

// The stand-ins are always at hand.
bool PalmDesktopLibrariesFound(std::string&) { return true; }

int32_t InstallAideGetPath(int32_t which, char* buffer, uint16_t* size) {
  if (which != kDesktopPathOfPalmDesktop) return kFailed;
  return CopyOut(standin::DesktopDirectory().root().string(), buffer, size);
}

int32_t InstallAideGetUserCount() { return static_cast<int32_t>(standin::DesktopDirectory().Users().size()); }

int32_t InstallAideGetUserName(int32_t index, char* buffer, uint16_t* size) {
  const auto users = standin::DesktopDirectory().Users();
  if (index < 0 || static_cast<size_t>(index) >= users.size()) return kFailed;
  return CopyOut(users[static_cast<size_t>(index)], buffer, size);
}

int32_t InstallAideQueueFile(const char* user, const char* path) {
  if (user == nullptr || path == nullptr) return kFailed;
  switch (standin::DesktopDirectory().QueueFile(user, path)) {
    case standin::DesktopDirectory::QueueResult::kQueued: return 0;
    case standin::DesktopDirectory::QueueResult::kAlreadyWaiting: return kInstallAlreadyQueued;
    case standin::DesktopDirectory::QueueResult::kFailed: break;
  }
  return kFailed;
}

int32_t ConduitManagerCreateEntry(const char* creator, int32_t type) {
  standin::DesktopDirectory desktop;
  if (creator == nullptr) return kFailed;
  if (desktop.HasConduit(creator)) return kConduitEntryExists;
  return desktop.CreateConduit(creator, type) ? 0 : kFailed;
}

int32_t ConduitManagerRemoveEntry(const char* creator) {
  return creator != nullptr && standin::DesktopDirectory().RemoveConduit(creator) ? 0 : kFailed;
}

int32_t ConduitManagerSetLibrary(const char* creator, const char* library) {
  return creator && library && standin::DesktopDirectory().SetConduitValue(creator, "Library", library) ? 0 : kFailed;
}

int32_t ConduitManagerSetTitle(const char* creator, const char* title) {
  return creator && title && standin::DesktopDirectory().SetConduitValue(creator, "Title", title) ? 0 : kFailed;
}

// oq-hotsync reads the registry at every HotSync, so there is nothing to
// tell it.
int32_t HotSyncRefreshConduits() { return 0; }

}  // namespace oq::platform
