#include "atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ascii_case.h"

namespace oq::storage {

namespace {

// mkstemp's suffix: six letters or digits.
constexpr size_t kTemporarySuffixLength = 6;

std::string TemporaryPattern(const std::filesystem::path& path) { return path.string() + ".XXXXXX"; }

// The file a write of `path` replaces: a link's target, so the link stays.
std::filesystem::path WrittenFile(const std::filesystem::path& path, std::error_code& error) {
  if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::symlink) {
    error.clear();  // not there yet, or not a link: the path itself
    return path;
  }
  return std::filesystem::weakly_canonical(path, error);
}

}  // namespace

void RemoveLeftoverTemporaries(const std::filesystem::path& link) {
  std::error_code linkError;
  const auto path = WrittenFile(link, linkError);
  if (linkError) return;
  const std::string prefix = path.filename().string() + ".";
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(path.parent_path().empty() ? "." : path.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != prefix.size() + kTemporarySuffixLength || name.compare(0, prefix.size(), prefix) != 0) continue;
    const bool ours = std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(), ascii::IsLetterOrDigit);
    std::error_code ignored;
    if (ours && entry.is_regular_file(ignored)) std::filesystem::remove(entry.path(), ignored);
  }
}

Outcome WriteFileAtomically(const std::filesystem::path& link, std::span<const uint8_t> bytes, FileAccess access) {
  std::error_code linkError;
  const auto path = WrittenFile(link, linkError);
  if (linkError) return Outcome::Failed("cannot follow the link " + link.string() + ": " + linkError.message());
  const mode_t mode = access == FileAccess::kOwnerOnly ? (S_IRUSR | S_IWUSR) : (S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
  std::string temporary = TemporaryPattern(path);
  int fd = mkstemp(temporary.data());
  if (fd < 0) return Outcome::Failed("cannot create a file beside " + path.string() + ": " + std::strerror(errno));
  auto fail = [&](const char* what) {
    std::string message = std::string(what) + " " + temporary + ": " + std::strerror(errno);
    close(fd);
    unlink(temporary.c_str());
    return Outcome::Failed(std::move(message));
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
    return Outcome::Failed("cannot close " + temporary + ": " + std::strerror(errno));
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    std::string message = "cannot replace " + path.string() + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return Outcome::Failed(std::move(message));
  }
  return {};
}

}  // namespace oq::storage
