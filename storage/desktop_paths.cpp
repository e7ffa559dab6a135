#include "desktop_paths.h"

#include <cstdlib>
#include <system_error>
#include <vector>

namespace oq::storage {

namespace {

const char* NonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::filesystem::path OrbitQuailHome() {
  if (const char* home = NonEmptyEnvironment(kHomeVariables[0])) return home;
  if (const char* data = NonEmptyEnvironment(kHomeVariables[1])) return std::filesystem::path(data) / "orbitquail";
  if (const char* user = NonEmptyEnvironment(kHomeVariables[2])) {
    return std::filesystem::path(user) / ".local" / "share" / "orbitquail";
  }
  return std::filesystem::path(".orbitquail");
}

std::filesystem::path WindowsDirectory() { return OrbitQuailHome() / "windows"; }

std::filesystem::path PalmDesktopDirectory() { return OrbitQuailHome() / "palm"; }

bool EnsurePrivateDirectory(const std::filesystem::path& directory) {
  std::error_code error;
  // The folders that are not there yet, from the leaf up to the first one
  // that is: each is made the owner's alone, whatever the umask (palm/
  // holds the conduit library that oq-hotsync loads); folders that exist
  // already are left as they are.
  std::vector<std::filesystem::path> missing;
  for (auto folder = directory; !folder.empty() && !std::filesystem::is_directory(folder, error);
       folder = folder.parent_path()) {
    missing.push_back(folder);
    if (folder == folder.parent_path()) break;
  }
  if (missing.empty()) return true;
  std::filesystem::create_directories(directory, error);
  if (error) return false;
  for (const auto& folder : missing) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                                 error);
    if (error) return false;
  }
  return true;
}

}  // namespace oq::storage
