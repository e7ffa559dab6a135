// Whether a file may have changed since the last look, told by the kernel
// (inotify on the file's directory, so that a replacement by rename shows
// as well as a change in place) for the cost of one read that usually finds
// nothing, instead of a stat per look.
//
// Only where every change passes through this kernel: a regular file (or
// none yet) in a directory on a local file system. A symbolic link, whose
// target may change elsewhere, a network file system, or no inotify at all
// leave the watch inactive, and the caller compares stamps instead.
#pragma once

#include <filesystem>
#include <string>

namespace oq::platform {

class FileChangeWatch {
 public:
  FileChangeWatch() = default;
  ~FileChangeWatch();
  FileChangeWatch(FileChangeWatch&& other) noexcept;
  FileChangeWatch& operator=(FileChangeWatch&& other) noexcept;
  FileChangeWatch(const FileChangeWatch&) = delete;
  FileChangeWatch& operator=(const FileChangeWatch&) = delete;

  // Starts watching `path`; false (and inactive) where the kernel cannot
  // be trusted to see every change.
  bool Watch(const std::filesystem::path& path);
  bool Active() const { return descriptor_ >= 0; }
  // True when the file was touched, created, removed or replaced since
  // Watch or the previous call. A watch that ends (its directory removed or
  // moved, the event queue overflowed) answers true and becomes inactive.
  bool MayHaveChanged();

 private:
  void Stop();

  int descriptor_ = -1;
  std::string name_;
};

}  // namespace oq::platform
