// The Palm Desktop directory of the stand-ins ($ORBITQUAIL_HOME/palm):
//
//   users.ini             [Users] Count=N, User1=..., UserN=...
//   users/<user>/Install/ files waiting to be installed at the next HotSync
//   users/<user>/conduits.ini  [<creator>] Permanent=, Temporary= actions
//   users/<user>/handheld.ini  [Handheld] UserId= the user's handheld's id
//   users/<user>/<file>   what else the desktop keeps of the user's handheld
//
// A user's folder is the name with '/', '%', a leading '.' and control
// bytes written %XX: one folder per name.
//   conduits.ini          the conduit registry: [<creator>] Type, Library, Title
//   <conduit library>     as the installer copies it
//
// Shared by the Install Aide and Conduit Manager stand-ins and by
// oq-hotsync, which plays the HotSync Manager.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::standin {

class DesktopDirectory {
 public:
  DesktopDirectory();  // under ORBITQUAIL_HOME
  explicit DesktopDirectory(std::filesystem::path root) : root_(std::move(root)) {}

  const std::filesystem::path& root() const { return root_; }

  // HotSync users in the order they were added.
  std::vector<std::string> Users() const;
  // False when the user was known already or cannot be recorded.
  bool AddUser(const std::string& name);

  // Renames a user, the folder (queue, actions, what the desktop keeps of
  // the handheld) with it; removes one whose queue is empty. All or
  // nothing; false with `failure` saying why.
  bool RenameUser(const std::string& from, const std::string& to, std::string& failure);
  bool RemoveUser(const std::string& name, std::string& failure);

  // The handheld folder the user was last synced from, and the user a
  // folder was last synced as.
  std::optional<std::string> HandheldFolder(const std::string& user) const;
  bool SetHandheldFolder(const std::string& user, const std::filesystem::path& folder);
  std::optional<std::string> UserOfFolder(const std::filesystem::path& folder) const;

  // The id of the handheld the user first synced over a link, which a
  // handheld claiming the name must have; none when not recorded.
  std::optional<uint32_t> HandheldUserId(const std::string& user) const;
  bool SetHandheldUserId(const std::string& user, uint32_t id);

  enum class QueueResult { kQueued, kAlreadyWaiting, kFailed };
  QueueResult QueueFile(const std::string& user, const std::filesystem::path& file);
  std::vector<std::filesystem::path> QueuedFiles(const std::string& user,
                                                 std::vector<std::string>* problems = nullptr) const;

  // The conduit registry.
  bool HasConduit(const std::string& creator) const;
  bool CreateConduit(const std::string& creator, int32_t type);
  bool RemoveConduit(const std::string& creator);
  bool SetConduitValue(const std::string& creator, const std::string& key, const std::string& value);
  std::optional<std::string> ConduitValue(const std::string& creator, const std::string& key) const;
  // The registered library of the creator's conduit, in this directory.
  std::optional<std::filesystem::path> ConduitLibrary(const std::string& creator) const;

  // A user's HotSync actions for a conduit, as the HotSync Manager keeps them.
  std::optional<int32_t> Action(const std::string& user, const std::string& creator, const char* kind) const;
  bool SetAction(const std::string& user, const std::string& creator, const char* kind, std::optional<int32_t> action);

  // The desktop's files a HotSync of `user` reads and changes that are
  // there but cannot be read, with why ("path: reason"); while any is, the
  // calls that would change it do nothing and return false.
  std::vector<std::string> UnreadableFiles(const std::string& user) const;

  // The file whose lock says a HotSync of the user is running: beside the
  // users' folders, since a new user has none yet.
  std::filesystem::path UserLockFile(const std::string& user) const;

  // A file of the user's own folder, such as what the cataloguer remembers.
  std::filesystem::path UserFile(const std::string& user, const char* name) const { return UserDirectory(user) / name; }

  static constexpr const char* kPermanent = "Permanent";
  static constexpr const char* kTemporary = "Temporary";

 private:
  std::filesystem::path UserDirectory(const std::string& user) const;
  void AdoptLegacyFolder(const std::string& user, const std::vector<std::string>& users);
  std::filesystem::path root_;
};

}  // namespace oq::standin
