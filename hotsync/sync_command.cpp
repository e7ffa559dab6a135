// oq-hotsync sync: one HotSync against a handheld image, as the HotSync
// Manager runs it: the user is known to the desktop from then on, queued
// files are installed first, then the conduit runs with the user's action.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "conduit_library.h"
#include "desktop_directory.h"
#include "handheld_host.h"
#include "handheld_image.h"

namespace oq::hotsync {

namespace {

// The HotSync Manager hands conduits a progress callback; ours shows nothing.
int32_t IgnoreProgress(char*) { return 0; }

// Text as written, ending in exactly one line feed of its own.
void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Moves the user's queued databases into the handheld, replacing a
// database of the same name; a file that is not a Palm database stays
// queued and is reported.
void InstallQueuedFiles(posix::DesktopDirectory& desktop, const std::string& user,
                        const std::filesystem::path& handheld) {
  posix::HandheldImage image(handheld);
  for (const auto& file : desktop.QueuedFiles(user)) {
    auto loaded = posix::HandheldImage::Load(file);
    if (!loaded.database) {
      std::cerr << "oq-hotsync: cannot install " << file.filename().string() << ": " << loaded.detail << "\n";
      continue;
    }
    const auto target = image.FindDatabase(loaded.database->Name())
                            .value_or(image.PathForNewDatabase(*loaded.database));
    if (posix::HandheldImage::Save(target, *loaded.database) != 0) {
      std::cerr << "oq-hotsync: cannot write " << target.string() << "\n";
      continue;
    }
    std::error_code error;
    std::filesystem::remove(file, error);
    std::cerr << "oq-hotsync: installed " << file.filename().string() << " on the handheld\n";
  }
}

// The handheld folder's own name, with or without a trailing separator.
std::string FolderName(const std::filesystem::path& folder) {
  auto path = std::filesystem::absolute(folder).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  return path.filename().string();
}

// The action asked for, else the one chosen for the next HotSync only
// (used up now), else the default one.
int ResolveAction(const SyncOptions& options, posix::DesktopDirectory& desktop, const std::string& user) {
  if (options.action) return *options.action;
  using Desktop = posix::DesktopDirectory;
  if (auto next = desktop.Action(user, kConduitCreator, Desktop::kTemporary)) {
    desktop.SetAction(user, kConduitCreator, Desktop::kTemporary, std::nullopt);
    return *next;
  }
  return desktop.Action(user, kConduitCreator, Desktop::kPermanent).value_or(0);
}

}  // namespace

int RunSync(const SyncOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_directory(options.handheld, error)) {
    std::cerr << "oq-hotsync: the handheld image directory " << options.handheld
              << " does not exist; give --handheld the folder that holds the handheld's "
                 "database files\n";
    return kExitUsage;
  }
  auto conduit = LoadConduit(options.conduit, kConduitCreator);
  if (!conduit) return kExitUsage;

  const std::string user = options.user.value_or(FolderName(options.handheld));
  posix::DesktopDirectory desktop;
  if (desktop.AddUser(user)) std::cerr << "oq-hotsync: added the HotSync user \"" << user << "\"\n";
  InstallQueuedFiles(desktop, user, options.handheld);

  handheld_host::BeginSync(options.handheld);
  handheld_host::SetUser(user);
  handheld_host::SetHotSyncLogSink(PrintLine);

  SyncProperties properties{};
  properties.syncAction = ResolveAction(options, desktop, user);
  const int32_t result = conduit->openConduit(IgnoreProgress, &properties);
  const int32_t closeResult = handheld_host::EndSync();
  handheld_host::SetHotSyncLogSink(nullptr);

  if (const std::string handheldLog = handheld_host::HandheldLog(); !handheldLog.empty()) PrintLine(handheldLog);

  if (closeResult != 0) {
    std::cerr << "oq-hotsync: a database the conduit left open could not be saved (Sync Manager "
                 "error 0x"
              << std::hex << std::uppercase << closeResult << ")\n";
  }
  if (result != 0) {
    std::cerr << "oq-hotsync: the conduit returned 0x" << std::hex << std::uppercase
              << static_cast<uint32_t>(result) << "\n";
    return kExitConduitFailed;
  }
  return closeResult == 0 ? kExitOk : kExitConduitFailed;
}

}  // namespace oq::hotsync
