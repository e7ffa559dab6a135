// The handheld image folder a command is given, checked before anything
// is read or written: it exists, and every file in it can be examined.
#pragma once

#include <filesystem>
#include <string>

namespace oq::hotsync {

// True when usable; otherwise says why on stderr.
bool CheckHandheldFolder(const std::filesystem::path& folder);

// The HotSync user a folder is synced as without --user: the folder's own
// name, with or without a trailing separator.
std::string DefaultUserName(const std::filesystem::path& folder);

}  // namespace oq::hotsync
