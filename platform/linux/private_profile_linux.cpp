// Private-profile files over IniDocument, bare names in the stand-in
// Windows directory. Files are created owner-only because the conduit keeps
// a proxy password in its settings, and replaced atomically on every write.
//
// Every read reads the file: no stamp (times, size, inode) proves a file
// unchanged, since coarse file-system clocks, swapped directories and
// writes through a shared mapping all leave stamps as they were. The file is
// a few hundred bytes; what is saved is the parse, kept while the bytes are
// the same.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "desktop_paths.h"
#include "ini_document.h"
#include "private_profile.h"

namespace oq::platform {

namespace {

std::filesystem::path ProfilePath(const char* fileName) {
  if (std::strchr(fileName, '/') != nullptr) return fileName;
  return storage::WindowsDirectory() / fileName;
}

storage::IniDocument LoadDocument(const std::filesystem::path& path) {
  auto bytes = storage::ReadWholeFile(path);
  if (!bytes) return storage::IniDocument::Parse("");
  return storage::IniDocument::Parse(std::string(bytes->begin(), bytes->end()));
}

// The file's bytes into `out`, reusing its storage; empty when the file
// cannot be read, which reads as a missing file does.
void ReadInto(const std::filesystem::path& path, std::string& out) {
  out.clear();
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return;
  constexpr size_t kChunk = 4096;
  for (;;) {
    const size_t used = out.size();
    out.resize(used + kChunk);
    const ssize_t got = read(descriptor, out.data() + used, kChunk);
    if (got <= 0) {
      out.resize(got < 0 ? 0 : used);
      break;
    }
    out.resize(used + static_cast<size_t>(got));
  }
  close(descriptor);
}

// The last file read, parsed, by its path and its bytes.
struct ParsedFile {
  std::filesystem::path path;
  std::string bytes;
  bool parsed = false;
  storage::IniDocument document = storage::IniDocument::Parse("");
  // Keys already looked up in these bytes, as they were asked.
  struct Lookup {
    std::string section, key;
    std::optional<std::string> value;
  };
  std::vector<Lookup> lookups;

  const std::optional<std::string>& Get(const char* section, const char* key) {
    for (const auto& lookup : lookups) {
      if (lookup.section == section && lookup.key == key) return lookup.value;
    }
    if (lookups.size() >= kMaxLookups) lookups.clear();
    return lookups.emplace_back(Lookup{section, key, document.Get(section, key)}).value;
  }
  static constexpr size_t kMaxLookups = 16;
};

std::mutex cacheMutex;
ParsedFile cache;
std::string readBuffer;

// The value as the file holds it now; called with cacheMutex held.
const std::optional<std::string>& CurrentValue(const char* fileName, const char* section, const char* key) {
  const auto path = ProfilePath(fileName);
  ReadInto(path, readBuffer);
  if (!cache.parsed || cache.path != path || cache.bytes != readBuffer) {
    cache.path = path;
    cache.bytes.swap(readBuffer);
    cache.document = storage::IniDocument::Parse(cache.bytes);
    cache.lookups.clear();
    cache.parsed = true;
  }
  return cache.Get(section, key);
}

}  // namespace

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t bufferSize, const char* fileName) {
  if (buffer == nullptr || bufferSize == 0) return 0;
  std::lock_guard lock(cacheMutex);
  const auto& value = CurrentValue(fileName, section, key);
  const std::string_view text = value ? std::string_view(*value) : std::string_view(defaultValue ? defaultValue : "");
  const size_t copied = std::min<size_t>(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<uint32_t>(copied);
}

bool WriteProfileValue(const char* section, const char* key, const char* value, const char* fileName) {
  const auto path = ProfilePath(fileName);
  // A file that is there but cannot be read would lose every other key.
  if (!storage::UnreadableReason(path).empty()) return false;
  if (!storage::EnsurePrivateDirectory(path.parent_path())) return false;
  auto document = LoadDocument(path);
  document.Set(section, key, value ? value : "");
  const std::string text = document.Serialize();
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  return storage::WriteFileAtomically(path, {data, text.size()}, storage::FileAccess::kOwnerOnly).ok();
}

}  // namespace oq::platform
