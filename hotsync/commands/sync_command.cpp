// oq-hotsync sync: one HotSync against a handheld image, as the HotSync
// Manager runs it: the user is known to the desktop from then on, queued
// files are installed first, the catalogue is brought up to date as the
// handheld program would have done, then the conduit runs with the user's
// action.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "backup_folder.h"
#include "catalogue_refresh.h"
#include "catalogue_rows.h"
#include "commands.h"
#include "conduit_library.h"
#include "conduit_pass.h"
#include "conduit_settings.h"
#include "desktop_directory.h"
#include "handheld_folder.h"
#include "handheld_host.h"
#include "hotsync_steps.h"
#include "hotsync_summary.h"
#include "handheld_image.h"
#include "program_catalogue.h"
#include "atomic_file.h"
#include "saved_preferences.h"
#include "stop_signals.h"
#include "terminal_text.h"
#include "sync_advice.h"
#include "user_name.h"

namespace oq::hotsync {

namespace {

// Moves the user's queued databases into the handheld, replacing a
// database of the same name; a file that is not a Palm database stays
// queued and is reported. False, with nothing installed, when the queue
// holds an entry that cannot be examined.
bool InstallQueuedFiles(standin::DesktopDirectory& desktop, const std::string& user,
                        const std::filesystem::path& handheld) {
  standin::HandheldImage image(handheld);
  std::vector<std::string> problems;
  const auto queued = desktop.QueuedFiles(user, &problems);
  for (const auto& problem : problems) std::cerr << "oq-hotsync: cannot install " << problem << "\n";
  if (!problems.empty()) return false;
  for (const auto& file : queued) {
    auto loaded = standin::HandheldImage::Load(file);
    if (!loaded.database) {
      std::cerr << "oq-hotsync: cannot install " << file.filename().string() << ": " << loaded.detail << "\n";
      continue;
    }
    const auto target =
        image.FindDatabase(loaded.database->Name()).value_or(image.PathForNewDatabase(*loaded.database));
    if (const auto saved = standin::HandheldImage::Save(target, *loaded.database); !saved.ok()) {
      std::cerr << "oq-hotsync: cannot install " << file.filename().string() << ": " << saved.failure() << "\n";
      continue;
    }
    std::error_code error;
    std::filesystem::remove(file, error);
    std::cerr << "oq-hotsync: installed " << file.filename().string() << " on the handheld\n";
  }
  return true;
}

// The action asked for, else the one the user chose.
int ResolveAction(const SyncOptions& options, standin::DesktopDirectory& desktop, const std::string& user) {
  return options.action ? *options.action : ChosenAction(desktop, user);
}

// One line after a pass that tracked: how many programs, how many outdated.
void PrintSummary(const std::optional<CatalogueTally>& tally, const std::filesystem::path& handheld,
                  size_t unanswered) {
  if (tally) {
    std::cerr << SummaryLine(*tally, unanswered, "oq-hotsync show --outdated --handheld " + handheld.string()) << "\n";
  }
}

// The folder as the log names it.
std::string DefaultFolderText(const std::filesystem::path& handheld) {
  return std::filesystem::absolute(handheld).lexically_normal().string();
}

// What is wrong with the handheld's catalogue, when it cannot be read: the
// conduit takes it for a missing one.
std::optional<std::string> DamagedCatalogue(const std::filesystem::path& handheld) {
  const auto path = standin::HandheldImage(handheld).FindDatabase(cataloguer::kCatalogueName);
  if (!path) return std::nullopt;
  auto loaded = standin::HandheldImage::Load(*path);
  if (loaded.database) return std::nullopt;
  return loaded.detail;
}

// The handheld's files a HotSync changes, as they were before it: an
// interrupted HotSync puts them back, so that it changed nothing.
class HandheldSnapshot {
 public:
  explicit HandheldSnapshot(const std::filesystem::path& handheld) {
    const standin::HandheldImage image(handheld);
    namespace prefs = palm::saved_preferences;
    for (const char* name : {cataloguer::kCatalogueName, prefs::kSavedName, prefs::kUnsavedName}) {
      const auto path = image.FindDatabase(name);
      if (path) files_.push_back({*path, storage::ReadWholeFile(*path)});
    }
    image_ = handheld;
  }

  // Every file as it was; files the HotSync made are removed.
  Outcome Restore() const {
    for (const auto& file : files_) {
      if (!file.bytes) continue;
      if (auto written = storage::WriteFileAtomically(file.path, *file.bytes, storage::FileAccess::kReadableByAll);
          !written.ok()) {
        return written;
      }
    }
    const standin::HandheldImage image(image_);
    namespace prefs = palm::saved_preferences;
    for (const char* name : {cataloguer::kCatalogueName, prefs::kSavedName, prefs::kUnsavedName}) {
      const auto path = image.FindDatabase(name);
      const bool before = std::any_of(files_.begin(), files_.end(), [&](const File& f) { return path == f.path; });
      std::error_code error;
      if (path && !before) std::filesystem::remove(*path, error);
    }
    return {};
  }

 private:
  struct File {
    std::filesystem::path path;
    std::optional<std::vector<uint8_t>> bytes;
  };
  std::filesystem::path image_;
  std::vector<File> files_;
};

int Interrupted(const HandheldSnapshot& snapshot, const std::optional<std::string>& trackedBefore) {
  auto restored = snapshot.Restore();
  if (restored.ok()) restored = RestoreLastTrackTime(trackedBefore);
  if (!restored.ok()) {
    std::cerr << "oq-hotsync: interrupted, and what the HotSync changed could not all be put back: "
              << restored.failure() << "\n";
  } else {
    std::cerr << "oq-hotsync: interrupted; nothing was changed\n";
  }
  return kExitConduitFailed;
}

}  // namespace

int RunSync(const SyncOptions& options) {
  if (const int status = CheckHandheldFolder(options.handheld, FolderUse::kWrite); status != kExitOk) return status;
  const auto lock = HotSyncLock::OnFolder(options.handheld);
  if (!lock) {
    std::cerr << "oq-hotsync: another HotSync of this handheld is running; try again when it has ended\n";
    return kExitConduitFailed;
  }
  auto conduit = LoadConduit(options.conduit, kConduitCreator);
  if (!conduit) return kExitUsage;

  WarnAboutEnvironment(std::cerr);
  standin::DesktopDirectory desktop;
  const std::string user = UserForFolder(options.handheld, options.user);
  if (const auto problem = UserNameProblem(user)) {
    std::cerr << "oq-hotsync: " << *problem << "; give --user a name of printable characters\n";
    return kExitUsage;
  }
  if (const std::string known = SameUserInOtherCase(desktop.Users(), user); !known.empty() && !options.newUser) {
    std::cerr << "oq-hotsync: there is no HotSync user \"" << user << "\", but there is \"" << known
              << "\": use --user \"" << known << "\", or --new-user to add \"" << user << "\"\n";
    return kExitUsage;
  }
  if (!DesktopReadable(desktop, user)) return kExitConduitFailed;
  if (desktop.AddUser(user)) {
    std::cerr << "oq-hotsync: added the HotSync user \"" << TerminalText(user) << "\""
              << (options.user ? "" : ", named after the folder (--user names another)") << "\n";
  }
  if (!desktop.SetHandheldFolder(user, options.handheld)) {
    std::cerr << "oq-hotsync: which folder \"" << TerminalText(user) << "\" syncs could not be recorded\n";
  }
  if (!InstallQueuedFiles(desktop, user, options.handheld)) return kExitUsage;
  CatchStopSignals();
  const HandheldSnapshot snapshot(options.handheld);
  const auto trackedBefore = LastTrackTimeText();

  // The handheld program's part, done on the desktop.
  std::optional<cataloguer::CatalogueResult> catalogue;
  if (!options.noCatalog) {
    catalogue = RunCataloguerFor(desktop, user, [&](cataloguer::RememberedFlags* remembered) {
      return cataloguer::CatalogueBackupFolder(options.handheld, remembered);
    });
    if (!ReportCatalogue(*catalogue)) return kExitConduitFailed;
  }

  if (stopRequested) return Interrupted(snapshot, trackedBefore);
  handheld_host::BeginSync(options.handheld);
  handheld_host::SetStopRequested([] { return stopRequested != 0; });
  handheld_host::SetUser(user);
  // --force leaves the chosen actions alone.
  const int action =
      options.force ? options.action.value_or(conduit::kActionSynchronize) : ResolveAction(options, desktop, user);
  const auto ran = RunTrackingPass(*conduit, action, options.force);
  if (!ran) return kExitConduitFailed;
  const ConduitPass& pass = *ran;
  const bool interrupted = stopRequested != 0;
  // What the catalogue holds after a pass that tracked.
  std::string error;
  const auto tally = pass.passRan && !interrupted ? TallyCatalogue(options.handheld, error) : std::nullopt;
  // The outcome, said on stderr; then kept in the desktop's log.
  const int status = [&] {
    if (interrupted) return Interrupted(snapshot, trackedBefore);

    if (const std::string handheldLog = handheld_host::HandheldLog(); !handheldLog.empty()) PrintLine(handheldLog);

    // What the conduit wrote and the Sync Manager could not save is lost: the
    // HotSync has not tracked, whatever the conduit says, so the period gate
    // must not keep the next one from tracking again.
    if (const auto failures = handheld_host::SaveFailures(); !failures.empty()) {
      for (const auto& failure : failures) {
        std::cerr << "oq-hotsync: the handheld's changes were not saved: " << failure << "\n";
      }
      if (const auto restored = RestoreLastTrackTime(trackedBefore); !restored.ok()) {
        std::cerr << "oq-hotsync: the last tracking time could not be put back: " << restored.failure() << "\n";
      }
      return kExitConduitFailed;
    }
    return PassStatus(
        pass, catalogue ? &*catalogue : nullptr, "sync",
        [&] { PrintSummary(tally, options.handheld, pass.unanswered); },
        [&] {
          if (const auto damaged = DamagedCatalogue(options.handheld)) {
            std::cerr << "oq-hotsync: the catalogue is damaged: " << *damaged << "\n";
          }
        });
  }();
  AppendHotSyncLog(desktop, EntryFor(user, DefaultFolderText(options.handheld), status, interrupted, pass, tally));
  return status;
}

}  // namespace oq::hotsync
