// Replacing a file that holds user data so that a crash leaves either the
// old or the new contents, never a mix: temporary file beside it, flush,
// rename over the original.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oq::posix {

enum class FileAccess {
  kOwnerOnly,      // may hold secrets, such as a proxy password
  kReadableByAll,  // handheld databases
};

// Returns an empty string on success, else what failed (with the system's
// text).
std::string WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                FileAccess access);

// The whole file, or nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);

}  // namespace oq::posix
