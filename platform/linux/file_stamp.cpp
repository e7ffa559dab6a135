#include "file_stamp.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace oq::platform {

FileStamp FileStamp::Of(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_nlink, status.st_size, status.st_mtim, status.st_ctim};
}

FileStamp FileStamp::OfPath(const std::filesystem::path& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return {};
  return Of(status);
}

bool FileStamp::operator==(const FileStamp& other) const {
  auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
  return device == other.device && inode == other.inode && links == other.links && size == other.size &&
         same(modified, other.modified) && same(changed, other.changed);
}

HeldFile::~HeldFile() { Release(); }

HeldFile::HeldFile(HeldFile&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    Release();
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

void HeldFile::Hold(const std::filesystem::path& path) {
  Release();
  descriptor_ = open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  struct stat status {};
  if (descriptor_ >= 0 && (fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode))) Release();
}

FileStamp HeldFile::Stamp() const {
  struct stat status {};
  if (descriptor_ < 0 || fstat(descriptor_, &status) != 0) return {};
  return FileStamp::Of(status);
}

void HeldFile::Release() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
}

}  // namespace oq::platform
