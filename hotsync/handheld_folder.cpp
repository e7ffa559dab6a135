#include "handheld_folder.h"

#include <iostream>
#include <string>
#include <vector>

#include "handheld_image.h"

namespace oq::hotsync {

bool CheckHandheldFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::cerr << "oq-hotsync: " << folder.string()
              << (std::filesystem::exists(folder, error) ? " is a file, not a folder"
                                                         : " does not exist")
              << "; give --handheld the folder that holds the handheld's database files\n";
    return false;
  }
  std::vector<std::string> problems;
  standin::HandheldImage(folder).DatabaseFiles(&problems);
  for (const auto& problem : problems) std::cerr << "oq-hotsync: cannot use " << problem << "\n";
  return problems.empty();
}

std::string DefaultUserName(const std::filesystem::path& folder) {
  auto path = std::filesystem::absolute(folder).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  return path.filename().string();
}

}  // namespace oq::hotsync
