// What tells one state of a file from another without reading it, and a
// cheap way to take it again. A file held by an O_PATH descriptor is stamped
// with an fstat, without the path lookup a stat makes (half the cost). A
// held file that is replaced or removed stays the same inode for its holder,
// left with fewer links and a new change time, so its stamp tells that too;
// what it cannot tell is a directory on its path being swapped.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>

namespace oq::platform {

struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  nlink_t links = 0;
  off_t size = -1;
  timespec modified{};
  timespec changed{};

  // A missing file has a stamp of its own.
  static FileStamp OfPath(const std::filesystem::path& path);
  static FileStamp Of(const struct stat& status);
  bool operator==(const FileStamp& other) const;
};

class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile();
  HeldFile(HeldFile&& other) noexcept;
  HeldFile& operator=(HeldFile&& other) noexcept;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Holds the regular file at `path`, letting go of any other. Nothing is
  // held for a missing file or a link, whose target may change while the
  // link stays as it was.
  void Hold(const std::filesystem::path& path);
  bool Held() const { return descriptor_ >= 0; }
  // The held file's stamp; that of no file when nothing is held.
  FileStamp Stamp() const;

 private:
  void Release();

  int descriptor_ = -1;
};

}  // namespace oq::platform
