// The desktop file contract over std::filesystem, whose names on Linux are
// the bytes themselves.
#include <filesystem>
#include <system_error>

#include "desktop_files.h"

namespace oq::platform {

std::string CurrentDirectory() {
  std::error_code error;
  const auto folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

bool CopyFileReplacing(const std::string& from, const std::string& to, std::string& reason) {
  std::error_code error;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
  if (error) reason = error.message();
  return !error;
}

bool RenameFileReplacing(const std::string& from, const std::string& to, std::string& reason) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  if (error) reason = error.message();
  return !error;
}

void RemoveFileIfPresent(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
}

}  // namespace oq::platform
