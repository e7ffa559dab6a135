#include "desktop_paths.h"

#include <cstdlib>
#include <system_error>

namespace oq::posix {

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
  if (std::filesystem::is_directory(directory, error)) return true;
  // Every folder made here is the owner's alone, whatever the umask: palm/
  // holds the conduit library that oq-hotsync loads.
  std::filesystem::path made;
  for (const auto& part : directory) {
    made /= part;
    if (std::filesystem::is_directory(made, error)) continue;
    if (!std::filesystem::create_directory(made, error) && error) return false;
    std::filesystem::permissions(made, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                                 error);
    if (error) return false;
  }
  return true;
}

}  // namespace oq::posix
