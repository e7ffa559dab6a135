#include "atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace oq::posix {

std::string WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                FileAccess access) {
  const mode_t mode = access == FileAccess::kOwnerOnly ? (S_IRUSR | S_IWUSR) : (S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
  std::string temporary = path.string() + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return "cannot create a file beside " + path.string() + ": " + std::strerror(errno);
  auto fail = [&](const char* what) {
    std::string message = std::string(what) + " " + temporary + ": " + std::strerror(errno);
    close(fd);
    unlink(temporary.c_str());
    return message;
  };
  if (fchmod(fd, mode) != 0) return fail("cannot set the permissions of");
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("cannot write");
    written += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) return fail("cannot flush");
  if (close(fd) != 0) {
    unlink(temporary.c_str());
    return "cannot close " + temporary + ": " + std::strerror(errno);
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    std::string message = "cannot replace " + path.string() + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return message;
  }
  return {};
}

}  // namespace oq::posix
