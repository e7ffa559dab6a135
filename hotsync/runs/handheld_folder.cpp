#include "handheld_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "exit_status.h"
#include "desktop_directory.h"
#include "handheld_image.h"

namespace oq::hotsync {

int CheckHandheldFolder(const std::filesystem::path& folder, FolderUse use) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::cerr << "oq-hotsync: " << folder.string()
              << (std::filesystem::exists(folder, error) ? " is a file, not a folder" : " does not exist")
              << "; give --handheld the folder that holds the handheld's database files\n";
    return kExitUsage;
  }
  std::vector<std::string> problems;
  const auto files = standin::HandheldImage(folder).DatabaseFiles(&problems);
  for (const auto& problem : problems) std::cerr << "oq-hotsync: cannot use " << problem << "\n";
  if (!problems.empty()) return kExitUsage;
  if (use == FolderUse::kRead) return kExitOk;

  bool anyDatabase = false;
  for (const auto& file : files) {
    if (standin::HandheldImage::LoadHeader(file)) {
      anyDatabase = true;
    } else {
      std::cerr << "oq-hotsync: " << file.string() << " is shorter than a database header: not a Palm database\n";
    }
  }
  if (!anyDatabase) {
    std::cerr << "oq-hotsync: " << folder.string()
              << " holds no Palm databases; is it the handheld's backup folder? Nothing was written\n";
    return kExitUsage;
  }
  if (access(folder.c_str(), W_OK) != 0) {
    std::cerr << "oq-hotsync: cannot write into " << folder.string() << ": " << std::strerror(errno)
              << "; nothing was changed\n";
    return kExitConduitFailed;
  }
  return kExitOk;
}

std::string UserForFolder(const std::filesystem::path& folder, const std::optional<std::string>& requested) {
  if (requested) return *requested;
  if (auto known = standin::DesktopDirectory().UserOfFolder(folder)) return *known;
  auto path = std::filesystem::absolute(folder).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  return path.filename().string();
}

std::optional<HotSyncLock> HotSyncLock::Take(int descriptor) {
  if (descriptor < 0) return std::nullopt;
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    close(descriptor);
    return std::nullopt;
  }
  return HotSyncLock(descriptor);
}

std::optional<HotSyncLock> HotSyncLock::OnFolder(const std::filesystem::path& folder) {
  return Take(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::optional<HotSyncLock> HotSyncLock::OnFile(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  return Take(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

HotSyncLock::~HotSyncLock() {
  if (descriptor_ >= 0) close(descriptor_);
}

}  // namespace oq::hotsync
