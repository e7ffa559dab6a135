#include "file_change_watch.h"

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace oq::platform {

namespace {

// File systems whose changes all pass through the local kernel's inotify.
bool IsLocalFileSystem(const std::filesystem::path& directory) {
  struct statfs info {};
  if (statfs(directory.c_str(), &info) != 0) return false;
  constexpr std::array kLocal = {static_cast<long>(EXT4_SUPER_MAGIC), static_cast<long>(XFS_SUPER_MAGIC),
                                 static_cast<long>(BTRFS_SUPER_MAGIC), static_cast<long>(TMPFS_MAGIC),
                                 static_cast<long>(F2FS_SUPER_MAGIC)};
  return std::find(kLocal.begin(), kLocal.end(), static_cast<long>(info.f_type)) != kLocal.end();
}

// A regular file, or nothing yet: a link's target could change unseen.
bool IsPlainOrAbsent(const std::filesystem::path& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode);
}

constexpr uint32_t kFileEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                 IN_MOVED_TO;
constexpr uint32_t kWatchEnded = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED | IN_Q_OVERFLOW;

}  // namespace

FileChangeWatch::~FileChangeWatch() { Stop(); }

FileChangeWatch::FileChangeWatch(FileChangeWatch&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), name_(std::move(other.name_)) {}

FileChangeWatch& FileChangeWatch::operator=(FileChangeWatch&& other) noexcept {
  if (this != &other) {
    Stop();
    descriptor_ = std::exchange(other.descriptor_, -1);
    name_ = std::move(other.name_);
  }
  return *this;
}

bool FileChangeWatch::Watch(const std::filesystem::path& path) {
  Stop();
  const std::filesystem::path directory = path.has_parent_path() ? path.parent_path() : ".";
  if (!path.has_filename() || !IsLocalFileSystem(directory) || !IsPlainOrAbsent(path)) return false;
  descriptor_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (descriptor_ < 0) return false;
  if (inotify_add_watch(descriptor_, directory.c_str(), kFileEvents | kWatchEnded | IN_ONLYDIR) < 0) {
    Stop();
    return false;
  }
  name_ = path.filename().string();
  return true;
}

bool FileChangeWatch::MayHaveChanged() {
  if (!Active()) return true;
  bool changed = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t length = read(descriptor_, buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) {
      if (length < 0 && errno != EAGAIN) {
        Stop();
        return true;
      }
      return changed;
    }
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if ((event->mask & kWatchEnded) != 0) {
        Stop();
        return true;
      }
      if (event->len > 0 && name_ == event->name) changed = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void FileChangeWatch::Stop() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
}

}  // namespace oq::platform
