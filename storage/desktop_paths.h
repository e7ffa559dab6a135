// Where the stand-ins keep the desktop's files.
//
// ORBITQUAIL_HOME (default $XDG_DATA_HOME/orbitquail, else
// ~/.local/share/orbitquail) holds windows/, the stand-in Windows directory
// for bare-named settings files, and palm/, the Palm Desktop directory.
#pragma once

#include <filesystem>

namespace oq::storage {

// The environment variables OrbitQuailHome() is derived from, in order:
// while their values stay the same, so do the paths.
inline constexpr const char* kHomeVariables[] = {"ORBITQUAIL_HOME", "XDG_DATA_HOME", "HOME"};

std::filesystem::path OrbitQuailHome();
std::filesystem::path WindowsDirectory();
std::filesystem::path PalmDesktopDirectory();

// Creates the directory and its parents, owner-only; false when it cannot.
bool EnsurePrivateDirectory(const std::filesystem::path& directory);

}  // namespace oq::storage
