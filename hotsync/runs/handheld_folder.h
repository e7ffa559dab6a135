// The handheld image folder a command is given, checked before anything
// is read or written: it exists, every file in it can be examined, and a
// folder that is to be written holds Palm databases (a folder of documents
// is not a handheld) and can be written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace oq::hotsync {

enum class FolderUse { kRead, kWrite };

// 0 when usable; otherwise says why on stderr and gives the exit status.
int CheckHandheldFolder(const std::filesystem::path& folder, FolderUse use);

// The HotSync user a folder is synced as: `requested` (--user), else the
// user it was synced as before, else the folder's own name.
std::string UserForFolder(const std::filesystem::path& folder, const std::optional<std::string>& requested);

// One HotSync of a handheld at a time: held while it lives. Two syncs of one
// folder, or two HotSyncs of one desktop user, would each rewrite the
// other's files.
class HotSyncLock {
 public:
  // A lock on the folder (a handheld image), or on `path` as a lock file.
  static std::optional<HotSyncLock> OnFolder(const std::filesystem::path& folder);
  static std::optional<HotSyncLock> OnFile(const std::filesystem::path& path);
  HotSyncLock(HotSyncLock&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
  HotSyncLock& operator=(HotSyncLock&&) = delete;
  ~HotSyncLock();

 private:
  explicit HotSyncLock(int descriptor) : descriptor_(descriptor) {}
  static std::optional<HotSyncLock> Take(int descriptor);
  int descriptor_;
};

}  // namespace oq::hotsync
