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

#include "outcome.h"

namespace oq::storage {

enum class FileAccess {
  kOwnerOnly,      // may hold secrets, such as a proxy password
  kReadableByAll,  // handheld databases
};

// Fails with what failed, in the system's words. A symbolic link is written
// through: its target is replaced and the link stays.
Outcome WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, FileAccess access);

// Removes the temporary files a write of `path` that was killed half-way
// left beside it. Only while no other write of the file is under way.
void RemoveLeftoverTemporaries(const std::filesystem::path& path);

// The whole file, or nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Why a file that exists cannot be read ("path: reason"); empty when it
// can be, or when there is no such file. A file that cannot be read is
// never taken for an empty one, and never rewritten.
std::string UnreadableReason(const std::filesystem::path& path);

// The regular files in `folder` (links followed), in order of their paths.
// An entry that cannot be examined (a link loop, say) is left out and
// described in `problems`, "path: what is wrong", when it is given.
std::vector<std::filesystem::path> RegularFiles(const std::filesystem::path& folder,
                                                std::vector<std::string>* problems = nullptr);

}  // namespace oq::storage
