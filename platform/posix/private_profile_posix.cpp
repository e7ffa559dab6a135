// Private-profile files over IniDocument, bare names in the stand-in
// Windows directory. Files are created owner-only because the conduit keeps
// a proxy password in its settings, and replaced atomically on every write.
#include <cstring>
#include <string>

#include "atomic_file.h"
#include "desktop_paths.h"
#include "ini_document.h"
#include "private_profile.h"

namespace oq::platform {

namespace {

std::filesystem::path ProfilePath(const char* fileName) {
  if (std::strchr(fileName, '/') != nullptr) return fileName;
  return posix::WindowsDirectory() / fileName;
}

posix::IniDocument LoadDocument(const std::filesystem::path& path) {
  auto bytes = posix::ReadWholeFile(path);
  if (!bytes) return posix::IniDocument::Parse("");
  return posix::IniDocument::Parse(std::string(bytes->begin(), bytes->end()));
}

}  // namespace

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue,
                           char* buffer, uint32_t bufferSize, const char* fileName) {
  if (buffer == nullptr || bufferSize == 0) return 0;
  auto value = LoadDocument(ProfilePath(fileName)).Get(section, key);
  std::string text = value ? *value : std::string(defaultValue ? defaultValue : "");
  const size_t copied = std::min<size_t>(text.size(), bufferSize - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<uint32_t>(copied);
}

bool WriteProfileValue(const char* section, const char* key, const char* value,
                        const char* fileName) {
  const auto path = ProfilePath(fileName);
  if (!posix::EnsurePrivateDirectory(path.parent_path())) return false;
  auto document = LoadDocument(path);
  document.Set(section, key, value ? value : "");
  const std::string text = document.Serialize();
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  return posix::WriteFileAtomically(path, {data, text.size()}, posix::FileAccess::kOwnerOnly).empty();
}

}  // namespace oq::platform
