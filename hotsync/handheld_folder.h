// The handheld image folder a command is given, checked before anything
// is read or written: it exists, and every file in it can be examined.
#pragma once

#include <filesystem>

namespace oq::hotsync {

// True when usable; otherwise says why on stderr.
bool CheckHandheldFolder(const std::filesystem::path& folder);

}  // namespace oq::hotsync
