#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "atomic_file.h"

namespace oq::storage {

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  // One read of the size the file has; a catalogue of 50,000 programs is
  // 7 MB, read several times in a HotSync.
  const std::streamoff size = in.tellg();
  if (size < 0 || !in.seekg(0)) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

std::string UnreadableReason(const std::filesystem::path& path) {
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (in) return {};
  const int reason = errno;
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) return {};
  return path.string() + ": " + (reason != 0 ? std::strerror(reason) : "cannot be read");
}

std::vector<std::filesystem::path> RegularFiles(const std::filesystem::path& folder,
                                                std::vector<std::string>* problems) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code status;
    const bool regular = entry.is_regular_file(status);
    if (status && problems != nullptr) problems->push_back(entry.path().string() + ": " + status.message());
    if (regular) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace oq::storage
