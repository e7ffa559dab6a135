// Files on the desktop, named by the platform's own narrow text (the ANSI
// code page on Windows). Names pass through unchanged, byte for byte, so a
// folder with non-ASCII letters reaches the Palm Desktop libraries as they
// expect it.
#pragma once

#include <string>

namespace oq::platform {

// The working directory; empty when it cannot be read.
std::string CurrentDirectory();
// `name` inside `folder`, with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);
bool IsRegularFile(const std::string& path);
// Both replace `to` when it exists; false, with the platform's reason.
bool CopyFileReplacing(const std::string& from, const std::string& to, std::string& reason);
bool RenameFileReplacing(const std::string& from, const std::string& to, std::string& reason);
void RemoveFileIfPresent(const std::string& path);

}  // namespace oq::platform
