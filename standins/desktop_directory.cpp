#include "desktop_directory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

storage::IniDocument Load(const std::filesystem::path& path) {
  auto bytes = storage::ReadWholeFile(path);
  return storage::IniDocument::Parse(bytes ? std::string(bytes->begin(), bytes->end()) : std::string());
}

// The document to change and write back; none when the file is there but
// cannot be read, which is never overwritten.
std::optional<storage::IniDocument> LoadForChange(const std::filesystem::path& path) {
  if (!storage::UnreadableReason(path).empty()) return std::nullopt;
  return Load(path);
}

bool Save(const std::filesystem::path& path, const storage::IniDocument& document) {
  if (!storage::EnsurePrivateDirectory(path.parent_path())) return false;
  const std::string text = document.Serialize();
  return storage::WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                      storage::FileAccess::kOwnerOnly)
      .ok();
}

// A user's folder name, one to one with the user's name: the bytes a file
// name cannot hold or that would change what it names (a separator, a
// leading dot, control bytes) and the escape itself are written %XX.
std::string FolderName(const std::string& user) {
  std::string folder;
  for (size_t i = 0; i < user.size(); ++i) {
    const auto c = static_cast<unsigned char>(user[i]);
    if (c == '/' || c == '%' || c < 0x20 || c == 0x7F || (i == 0 && c == '.')) {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      folder += escape;
    } else {
      folder += static_cast<char>(c);
    }
  }
  return folder.empty() ? "%" : folder;
}

// The folder name earlier versions gave, which two names could share.
std::string LegacyFolderName(const std::string& user) {
  std::string folder = user;
  std::replace_if(
      folder.begin(), folder.end(), [](char c) { return c == '/' || c == '\0'; }, '_');
  if (folder.empty() || folder == "." || folder == "..") folder = "_" + folder;
  return folder;
}

constexpr const char* kHandheldFile = "handheld.ini";
constexpr const char* kHandheldSection = "Handheld";
constexpr const char* kUserIdKey = "UserId";
constexpr const char* kFolderKey = "Folder";

std::string NormalFolder(const std::filesystem::path& folder) {
  std::error_code error;
  auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(folder), error);
  if (error) path = std::filesystem::absolute(folder).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  return path.string();
}

// users.ini with `names` as its users, in order.
void SetUsers(storage::IniDocument& users, const std::vector<std::string>& names, size_t previousCount) {
  for (size_t i = names.size() + 1; i <= previousCount; ++i) users.Remove(kUsersSection, "User" + std::to_string(i));
  for (size_t i = 0; i < names.size(); ++i) users.Set(kUsersSection, "User" + std::to_string(i + 1), names[i]);
  users.Set(kUsersSection, "Count", std::to_string(names.size()));
}

}  // namespace

DesktopDirectory::DesktopDirectory() : root_(storage::PalmDesktopDirectory()) {}

std::vector<std::string> DesktopDirectory::Users() const {
  const storage::IniDocument users = Load(root_ / kUsersFile);
  const int count = std::atoi(users.Get(kUsersSection, "Count").value_or("0").c_str());
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i) {
    if (auto name = users.Get(kUsersSection, "User" + std::to_string(i))) names.push_back(*name);
  }
  return names;
}

bool DesktopDirectory::AddUser(const std::string& name) {
  auto names = Users();
  AdoptLegacyFolder(name, names);
  if (std::find(names.begin(), names.end(), name) != names.end()) return false;
  auto users = LoadForChange(root_ / kUsersFile);
  if (!users) return false;
  users->Set(kUsersSection, "User" + std::to_string(names.size() + 1), name);
  users->Set(kUsersSection, "Count", std::to_string(names.size() + 1));
  return Save(root_ / kUsersFile, *users) && storage::EnsurePrivateDirectory(UserDirectory(name));
}

// A known user's folder under the name earlier versions gave it moves to
// the one it has now, unless that name is now another user's folder.
void DesktopDirectory::AdoptLegacyFolder(const std::string& user, const std::vector<std::string>& users) {
  if (std::find(users.begin(), users.end(), user) == users.end()) return;
  const auto legacy = root_ / "users" / LegacyFolderName(user);
  const auto current = UserDirectory(user);
  std::error_code error;
  if (legacy == current || std::filesystem::exists(current, error) || !std::filesystem::is_directory(legacy, error)) {
    return;
  }
  for (const auto& other : users) {
    if (other != user && UserDirectory(other) == legacy) return;
  }
  std::filesystem::rename(legacy, current, error);
}

bool DesktopDirectory::RenameUser(const std::string& from, const std::string& to, std::string& failure) {
  auto names = Users();
  const auto found = std::find(names.begin(), names.end(), from);
  if (found == names.end()) {
    failure = "there is no HotSync user \"" + from + "\"";
    return false;
  }
  if (std::find(names.begin(), names.end(), to) != names.end()) {
    failure = "there is a HotSync user \"" + to + "\" already";
    return false;
  }
  auto users = LoadForChange(root_ / kUsersFile);
  if (!users) {
    failure = storage::UnreadableReason(root_ / kUsersFile);
    return false;
  }
  const auto source = UserDirectory(from), target = UserDirectory(to);
  std::error_code error;
  const bool moved = std::filesystem::exists(source, error);
  if (moved) {
    std::filesystem::rename(source, target, error);
    if (error) {
      failure = "cannot move " + source.string() + ": " + error.message();
      return false;
    }
  }
  *found = to;
  SetUsers(*users, names, names.size());
  if (!Save(root_ / kUsersFile, *users)) {
    if (moved) std::filesystem::rename(target, source, error);
    failure = "cannot write " + (root_ / kUsersFile).string();
    return false;
  }
  return true;
}

bool DesktopDirectory::RemoveUser(const std::string& name, std::string& failure) {
  auto names = Users();
  const auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) {
    failure = "there is no HotSync user \"" + name + "\"";
    return false;
  }
  std::vector<std::string> problems;
  if (const auto queued = QueuedFiles(name, &problems); !queued.empty() || !problems.empty()) {
    failure = "\"" + name + "\" has files waiting to be installed in " +
              (UserDirectory(name) / kInstallFolder).string() + "; install or remove them first";
    return false;
  }
  auto users = LoadForChange(root_ / kUsersFile);
  if (!users) {
    failure = storage::UnreadableReason(root_ / kUsersFile);
    return false;
  }
  const size_t count = names.size();
  names.erase(found);
  SetUsers(*users, names, count);
  if (!Save(root_ / kUsersFile, *users)) {
    failure = "cannot write " + (root_ / kUsersFile).string();
    return false;
  }
  std::error_code error;
  std::filesystem::remove_all(UserDirectory(name), error);
  return true;
}

std::optional<std::string> DesktopDirectory::HandheldFolder(const std::string& user) const {
  return Load(UserDirectory(user) / kHandheldFile).Get(kHandheldSection, kFolderKey);
}

bool DesktopDirectory::SetHandheldFolder(const std::string& user, const std::filesystem::path& folder) {
  const auto path = UserDirectory(user) / kHandheldFile;
  auto document = LoadForChange(path);
  if (!document) return false;
  const std::string normal = NormalFolder(folder);
  if (document->Get(kHandheldSection, kFolderKey) == normal) return true;
  document->Set(kHandheldSection, kFolderKey, normal);
  return Save(path, *document);
}

std::optional<std::string> DesktopDirectory::UserOfFolder(const std::filesystem::path& folder) const {
  const std::string normal = NormalFolder(folder);
  for (const auto& user : Users()) {
    if (HandheldFolder(user) == normal) return user;
  }
  return std::nullopt;
}

std::filesystem::path DesktopDirectory::UserLockFile(const std::string& user) const {
  // No folder name begins with a dot: it would be written %2E.
  return root_ / "users" / (".lock-" + FolderName(user));
}

std::optional<uint32_t> DesktopDirectory::HandheldUserId(const std::string& user) const {
  const auto value = Load(UserDirectory(user) / kHandheldFile).Get(kHandheldSection, kUserIdKey);
  if (!value || value->empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long id = std::strtoul(value->c_str(), &end, 10);
  if (*end != '\0') return std::nullopt;
  return static_cast<uint32_t>(id);
}

bool DesktopDirectory::SetHandheldUserId(const std::string& user, uint32_t id) {
  const auto path = UserDirectory(user) / kHandheldFile;
  auto document = LoadForChange(path);
  if (!document) return false;
  document->Set(kHandheldSection, kUserIdKey, std::to_string(id));
  return Save(path, *document);
}

std::vector<std::string> DesktopDirectory::UnreadableFiles(const std::string& user) const {
  std::vector<std::string> problems;
  for (const auto& path : {root_ / kUsersFile, root_ / kRegistryFile, UserDirectory(user) / kActionsFile,
                           UserDirectory(user) / kHandheldFile}) {
    if (auto reason = storage::UnreadableReason(path); !reason.empty()) problems.push_back(std::move(reason));
  }
  return problems;
}

std::filesystem::path DesktopDirectory::UserDirectory(const std::string& user) const {
  return root_ / "users" / FolderName(user);
}

DesktopDirectory::QueueResult DesktopDirectory::QueueFile(const std::string& user, const std::filesystem::path& file) {
  const auto queue = UserDirectory(user) / kInstallFolder;
  const auto target = queue / file.filename();
  std::error_code error;
  if (std::filesystem::exists(target, error)) return QueueResult::kAlreadyWaiting;
  if (!storage::EnsurePrivateDirectory(queue)) return QueueResult::kFailed;
  std::filesystem::copy_file(file, target, error);
  return error ? QueueResult::kFailed : QueueResult::kQueued;
}

std::vector<std::filesystem::path> DesktopDirectory::QueuedFiles(const std::string& user,
                                                                 std::vector<std::string>* problems) const {
  return storage::RegularFiles(UserDirectory(user) / kInstallFolder, problems);
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
