// Private-profile files over IniDocument, bare names in the stand-in
// Windows directory. Files are created owner-only because the conduit keeps
// a proxy password in its settings, and replaced atomically on every write.
//
// The transport reads the proxy settings before every request, so a parsed
// file is kept and used again while the file is unchanged. The file is held
// open and its stamp taken again at every read, which sees it changed in
// place, replaced or removed; a change makes the read parse it afresh.
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "desktop_paths.h"
#include "file_stamp.h"
#include "ini_document.h"
#include "private_profile.h"

namespace oq::platform {

namespace {

std::filesystem::path ProfilePath(const char* fileName) {
  if (std::strchr(fileName, '/') != nullptr) return fileName;
  return standin::WindowsDirectory() / fileName;
}

standin::IniDocument LoadDocument(const std::filesystem::path& path) {
  auto bytes = standin::ReadWholeFile(path);
  if (!bytes) return standin::IniDocument::Parse("");
  return standin::IniDocument::Parse(std::string(bytes->begin(), bytes->end()));
}

// A stamp taken within this long of the file's last change could miss a
// further change at the same size in the same tick of a coarse file-system
// clock; such a file is read afresh until its change is older.
constexpr auto kFileClockTick = std::chrono::milliseconds(20);

bool ChangedJustNow(const FileStamp& stamp) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const auto age = std::chrono::seconds(now.tv_sec - stamp.changed.tv_sec) +
                   std::chrono::nanoseconds(now.tv_nsec - stamp.changed.tv_nsec);
  return age < kFileClockTick;
}

// A directory swapped on the path leaves the held file as it was, so the
// path is looked up again every so many reads: such a swap shows soon.
constexpr unsigned kReadsPerPathLookup = 64;

// The values of the variables a bare name is resolved by.
using HomeEnvironment = std::array<std::string, std::size(standin::kHomeVariables)>;

// The first variable that is set decides, so the rest need no look.
bool IsCurrent(const HomeEnvironment& environment) {
  for (size_t i = 0; i < environment.size(); ++i) {
    const char* value = std::getenv(standin::kHomeVariables[i]);
    if (environment[i] != (value != nullptr ? value : "")) return false;
    if (!environment[i].empty()) return true;
  }
  return true;
}

HomeEnvironment CurrentHomeEnvironment() {
  HomeEnvironment environment;
  for (size_t i = 0; i < environment.size(); ++i) {
    const char* value = std::getenv(standin::kHomeVariables[i]);
    environment[i] = value != nullptr ? value : "";
  }
  return environment;
}

// The last file read, parsed, with the name it was asked for by and the
// environment that name was resolved in.
struct ParsedFile {
  std::string name;
  HomeEnvironment environment;
  std::filesystem::path path;
  HeldFile file;
  std::optional<FileStamp> stamp;  // of the file as parsed; empty: read it again
  unsigned readsSincePathLookup = 0;
  standin::IniDocument document = standin::IniDocument::Parse("");
  // Keys already looked up in this state of the file, as they were asked.
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

  // Held and stamped before reading: a change while reading shows at the
  // next read.
  void Load() {
    file.Hold(path);
    stamp = file.Held() ? file.Stamp() : FileStamp::OfPath(path);
    readsSincePathLookup = 0;
    document = LoadDocument(path);
    lookups.clear();
    if (ChangedJustNow(*stamp)) stamp.reset();
  }

  bool Unchanged() {
    if (!stamp) return false;
    if (file.Held() && ++readsSincePathLookup < kReadsPerPathLookup) return file.Stamp() == *stamp;
    readsSincePathLookup = 0;
    return FileStamp::OfPath(path) == *stamp;
  }
};

std::mutex cacheMutex;
ParsedFile cache;

// The value as the file holds it now; called with cacheMutex held.
const std::optional<std::string>& CachedValue(const char* fileName, const char* section, const char* key) {
  if (cache.name != fileName || !IsCurrent(cache.environment)) {
    cache = ParsedFile{};
    cache.name = fileName;
    cache.environment = CurrentHomeEnvironment();
    cache.path = ProfilePath(fileName);
  }
  if (!cache.Unchanged()) cache.Load();
  return cache.Get(section, key);
}

}  // namespace

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue,
                           char* buffer, uint32_t bufferSize, const char* fileName) {
  if (buffer == nullptr || bufferSize == 0) return 0;
  std::lock_guard lock(cacheMutex);
  const auto& value = CachedValue(fileName, section, key);
  const std::string_view text = value ? std::string_view(*value) : std::string_view(defaultValue ? defaultValue : "");
  const size_t copied = std::min<size_t>(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<uint32_t>(copied);
}

bool WriteProfileValue(const char* section, const char* key, const char* value,
                        const char* fileName) {
  const auto path = ProfilePath(fileName);
  // A file that is there but cannot be read would lose every other key.
  if (!standin::UnreadableReason(path).empty()) return false;
  if (!standin::EnsurePrivateDirectory(path.parent_path())) return false;
  auto document = LoadDocument(path);
  document.Set(section, key, value ? value : "");
  const std::string text = document.Serialize();
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  const bool written = standin::WriteFileAtomically(path, {data, text.size()}, standin::FileAccess::kOwnerOnly).empty();
  // A replaced file's inode may be reused at once: never trust the old stamp.
  std::lock_guard lock(cacheMutex);
  if (cache.path == path) cache.stamp.reset();
  return written;
}

}  // namespace oq::platform
