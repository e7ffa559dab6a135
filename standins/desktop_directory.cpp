#include "desktop_directory.h"

#include <algorithm>

#include "atomic_file.h"
#include "desktop_paths.h"
#include "ini_document.h"

namespace oq::standin {

namespace {

constexpr const char* kUsersFile = "users.ini";
constexpr const char* kUsersSection = "Users";
constexpr const char* kRegistryFile = "conduits.ini";
constexpr const char* kActionsFile = "conduits.ini";
constexpr const char* kInstallFolder = "Install";

IniDocument Load(const std::filesystem::path& path) {
  auto bytes = ReadWholeFile(path);
  return IniDocument::Parse(bytes ? std::string(bytes->begin(), bytes->end()) : std::string());
}

// The document to change and write back; none when the file is there but
// cannot be read, which is never overwritten.
std::optional<IniDocument> LoadForChange(const std::filesystem::path& path) {
  if (!UnreadableReason(path).empty()) return std::nullopt;
  return Load(path);
}

bool Save(const std::filesystem::path& path, const IniDocument& document) {
  if (!EnsurePrivateDirectory(path.parent_path())) return false;
  const std::string text = document.Serialize();
  return WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                             FileAccess::kOwnerOnly)
      .empty();
}

// A user's folder name: the name with characters no file name may hold
// replaced.
std::string FolderName(const std::string& user) {
  std::string folder = user;
  std::replace_if(folder.begin(), folder.end(), [](char c) { return c == '/' || c == '\0'; }, '_');
  if (folder.empty() || folder == "." || folder == "..") folder = "_" + folder;
  return folder;
}

}  // namespace

DesktopDirectory::DesktopDirectory() : root_(PalmDesktopDirectory()) {}

std::vector<std::string> DesktopDirectory::Users() const {
  const IniDocument users = Load(root_ / kUsersFile);
  const int count = std::atoi(users.Get(kUsersSection, "Count").value_or("0").c_str());
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i) {
    if (auto name = users.Get(kUsersSection, "User" + std::to_string(i))) names.push_back(*name);
  }
  return names;
}

bool DesktopDirectory::AddUser(const std::string& name) {
  auto names = Users();
  if (std::find(names.begin(), names.end(), name) != names.end()) return false;
  auto users = LoadForChange(root_ / kUsersFile);
  if (!users) return false;
  users->Set(kUsersSection, "User" + std::to_string(names.size() + 1), name);
  users->Set(kUsersSection, "Count", std::to_string(names.size() + 1));
  return Save(root_ / kUsersFile, *users) && EnsurePrivateDirectory(UserDirectory(name));
}

std::vector<std::string> DesktopDirectory::UnreadableFiles(const std::string& user) const {
  std::vector<std::string> problems;
  for (const auto& path : {root_ / kUsersFile, root_ / kRegistryFile, UserDirectory(user) / kActionsFile}) {
    if (auto reason = UnreadableReason(path); !reason.empty()) problems.push_back(std::move(reason));
  }
  return problems;
}

std::filesystem::path DesktopDirectory::UserDirectory(const std::string& user) const {
  return root_ / "users" / FolderName(user);
}

DesktopDirectory::QueueResult DesktopDirectory::QueueFile(const std::string& user,
                                                          const std::filesystem::path& file) {
  const auto queue = UserDirectory(user) / kInstallFolder;
  const auto target = queue / file.filename();
  std::error_code error;
  if (std::filesystem::exists(target, error)) return QueueResult::kAlreadyWaiting;
  if (!EnsurePrivateDirectory(queue)) return QueueResult::kFailed;
  std::filesystem::copy_file(file, target, error);
  return error ? QueueResult::kFailed : QueueResult::kQueued;
}

std::vector<std::filesystem::path> DesktopDirectory::QueuedFiles(const std::string& user,
                                                               std::vector<std::string>* problems) const {
  return RegularFiles(UserDirectory(user) / kInstallFolder, problems);
}

bool DesktopDirectory::HasConduit(const std::string& creator) const {
  return Load(root_ / kRegistryFile).HasSection(creator);
}

bool DesktopDirectory::CreateConduit(const std::string& creator, int32_t type) {
  auto registry = LoadForChange(root_ / kRegistryFile);
  if (!registry || registry->HasSection(creator)) return false;
  registry->Set(creator, "Type", std::to_string(type));
  return Save(root_ / kRegistryFile, *registry);
}

bool DesktopDirectory::RemoveConduit(const std::string& creator) {
  auto registry = LoadForChange(root_ / kRegistryFile);
  if (!registry || !registry->HasSection(creator)) return false;
  registry->RemoveSection(creator);
  return Save(root_ / kRegistryFile, *registry);
}

bool DesktopDirectory::SetConduitValue(const std::string& creator, const std::string& key, const std::string& value) {
  auto registry = LoadForChange(root_ / kRegistryFile);
  if (!registry || !registry->HasSection(creator)) return false;
  registry->Set(creator, key, value);
  return Save(root_ / kRegistryFile, *registry);
}

std::optional<std::string> DesktopDirectory::ConduitValue(const std::string& creator, const std::string& key) const {
  return Load(root_ / kRegistryFile).Get(creator, key);
}

std::optional<std::filesystem::path> DesktopDirectory::ConduitLibrary(const std::string& creator) const {
  auto library = ConduitValue(creator, "Library");
  if (!library || library->empty()) return std::nullopt;
  return root_ / *library;
}

std::optional<int32_t> DesktopDirectory::Action(const std::string& user, const std::string& creator,
                                                const char* kind) const {
  auto value = Load(UserDirectory(user) / kActionsFile).Get(creator, kind);
  if (!value || value->empty()) return std::nullopt;
  return static_cast<int32_t>(std::atoi(value->c_str()));
}

bool DesktopDirectory::SetAction(const std::string& user, const std::string& creator, const char* kind,
                                 std::optional<int32_t> action) {
  const auto path = UserDirectory(user) / kActionsFile;
  auto actions = LoadForChange(path);
  if (!actions) return false;
  if (action) {
    actions->Set(creator, kind, std::to_string(*action));
  } else {
    actions->Remove(creator, kind);
  }
  return Save(path, *actions);
}

}  // namespace oq::standin
