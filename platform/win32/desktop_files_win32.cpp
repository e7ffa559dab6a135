// The desktop file contract over the ANSI file calls, so that a name's bytes
// are never converted on their way.
#include <windows.h>

#include <vector>

#include "desktop_files.h"

namespace oq::platform {

namespace {

std::string LastErrorText() {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                                text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.')) {
    text[--length] = '\0';
  }
  return length > 0 ? text : "error " + std::to_string(GetLastError());
}

}  // namespace

std::string CurrentDirectory() {
  const DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return {};
  std::vector<char> folder(size, '\0');
  const DWORD length = GetCurrentDirectoryA(size, folder.data());
  return length > 0 && length < size ? std::string(folder.data(), length) : std::string();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CopyFileReplacing(const std::string& from, const std::string& to, std::string& reason) {
  if (CopyFileA(from.c_str(), to.c_str(), FALSE)) return true;
  reason = LastErrorText();
  return false;
}

bool RenameFileReplacing(const std::string& from, const std::string& to, std::string& reason) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  reason = LastErrorText();
  return false;
}

void RemoveFileIfPresent(const std::string& path) { DeleteFileA(path.c_str()); }

}  // namespace oq::platform
