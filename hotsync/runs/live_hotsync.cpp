#include "live_hotsync.h"

#include <algorithm>
#include <ctime>
#include <random>
#include <optional>
#include <iostream>
#include <unistd.h>

#include "catalogue_refresh.h"
#include "exit_status.h"
#include "conduit_pass.h"
#include "conduit_settings.h"
#include "desktop_directory.h"
#include "device_handheld.h"
#include "catalogue_rows.h"
#include "handheld_folder.h"
#include "hotsync_steps.h"
#include "hotsync_summary.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"
#include "handheld_host.h"
#include "live_handheld.h"
#include "live_install.h"
#include "palm_time.h"
#include "sync_advice.h"
#include "terminal_text.h"
#include "user_name.h"

namespace oq::hotsync {

namespace {

// The Sync Manager version a handheld allows: application preferences came
// with DLP 1.1, and the conduit needs 2.2 for them.
constexpr uint32_t kSyncManagerMajor = 2;
constexpr uint32_t kSyncManagerMinorWithPreferences = 2;
constexpr uint32_t kSyncManagerMinorWithout = 1;

// This desktop's id, which the handheld keeps as the PC it last synced with.
uint32_t DesktopId() { return static_cast<uint32_t>(gethostid()); }

// A first HotSync gives a handheld without an id one of its own.
uint32_t NewUserId() {
  std::random_device random;
  std::uniform_int_distribution<uint32_t> ids(1, UINT32_MAX);
  return ids(random);
}

class LiveHotSync {
 public:
  LiveHotSync(dlp::Client& client, ConduitLibrary& conduit, const LiveHotSyncOptions& options,
              const volatile std::sig_atomic_t& stop)
      : client_(client), conduit_(conduit), options_(options), stop_(stop) {}

  int Run() {
    dlp::SysInfo system;
    if (!Check(client_.ReadSysInfo(system), "reading the handheld's system information")) return Abort();
    dlp::UserInfo handheldUser;
    if (!Check(client_.ReadUserInfo(handheldUser), "reading the handheld's user")) return Abort();
    if (handheldUser.name.empty() && !NameHandheld(handheldUser)) return Abort();
    if (!FollowRename(handheldUser)) return Abort();
    const std::string& user = handheldUser.name;
    user_ = user;
    if (const auto problem = UserNameProblem(user)) {
      std::cerr << "oq-hotsync: the handheld's name cannot be used: " << *problem
                << "; nothing was written: rename the handheld (or reset it and sync with --user NAME)\n";
      return Abort();
    }
    std::cerr << "oq-hotsync: HotSync with \"" << TerminalText(user) << "\"\n";

    standin::DesktopDirectory desktop;
    if (const std::string known = SameUserInOtherCase(desktop.Users(), user); !known.empty() && !options_.newUser) {
      std::cerr << "oq-hotsync: the handheld's user \"" << TerminalText(user) << "\" is not \"" << TerminalText(known)
                << "\", whom the desktop knows: rename one of them, or listen with --new-user to add \""
                << TerminalText(user) << "\"\n";
      return Abort();
    }
    const auto lock = HotSyncLock::OnFile(desktop.UserLockFile(user));
    if (!lock) {
      std::cerr << "oq-hotsync: another HotSync of \"" << TerminalText(user)
                << "\" is running; sync again when it has ended\n";
      return Abort();
    }
    if (!DesktopReadable(desktop, user)) return Abort();
    if (!CheckHandheldId(desktop, handheldUser)) return Abort();

    if (!InstallQueuedOnHandheld(desktop, user, client_) || Stopped()) return Abort();
    known_ = LoadKnownHandheld(desktop, user);
    knownFor_ = user;
    const auto catalogue = RunCataloguerFor(desktop, user, [this](cataloguer::RememberedFlags* remembered) {
      return cataloguer::CatalogueLiveHandheld(client_, remembered, &*known_);
    });
    if (!ReportCatalogue(catalogue) || !client_.linkFailure().ok() || Stopped()) return Abort();
    if (!Check(client_.OpenConduit(), "starting the conduit on the handheld")) return Abort();

    handheld_host::BeginSync(std::make_unique<standin::DeviceHandheld>(
        client_, [this] { return Stopped(); },
        [this](const std::string& database, const palm::Record& record, uint32_t id) {
          if (database == cataloguer::kCatalogueName && known_->catalogue) {
            cataloguer::ApplyRecordWrite(*known_->catalogue, record, id);
          }
        },
        [this](const PreferenceParameterBlock& preference) {
          if (preference.creator == tracker_preference::kCreator &&
              preference.preferenceId == tracker_preference::kPreferenceId && preference.backedUp != 0) {
            known_->trackerPreference = palm::saved_preferences::Encode(
                preference.version, {preference.buffer, preference.buffer + preference.bufferSize});
          }
        }));
    handheld_host::SetUser(user);
    const bool preferences = system.dlpMajor > 1 || system.dlpMinor >= 1;
    handheld_host::SetApiVersion(kSyncManagerMajor,
                                 preferences ? kSyncManagerMinorWithPreferences : kSyncManagerMinorWithout);
    trackedBefore_ = LastTrackTimeText();
    passStarted_ = true;
    const auto ran = RunTrackingPass(
        conduit_, options_.force ? conduit::kActionSynchronize : ChosenAction(desktop, user), options_.force);
    if (!ran) return Abort();
    const ConduitPass& pass = *ran;

    const std::string handheldLog = handheld_host::HandheldLog();
    if (!handheldLog.empty()) {
      PrintLine(handheldLog);
      Check(client_.AddSyncLogEntry(handheldLog), "writing the handheld's HotSync log");
    }
    if (!client_.linkFailure().ok() || Stopped()) {
      // What the conduit wrote before the link failed may be on the
      // handheld; the pass did not complete, so nothing is reported done.
      if (!client_.linkFailure().ok()) Report(client_.linkFailure(), "the HotSync");
      return Abort();
    }
    cataloguer::StampCatalogueCopy(client_, *known_);
    handheldUser.lastSyncPc = DesktopId();
    handheldUser.lastSync = palm::CalendarFromPalm(palm::PalmNow());
    Check(client_.WriteUserInfo(handheldUser), "recording the HotSync on the handheld");
    const bool clean = pass.result == 0 && client_.linkFailure().ok() && catalogue.Complete();
    if (!Check(client_.EndOfSync(clean ? dlp::kEndNormal : dlp::kEndOther), "ending the HotSync")) return Abort();
    // The user is the desktop's only once a HotSync of theirs went through.
    if (desktop.AddUser(user)) std::cerr << "oq-hotsync: added the HotSync user \"" << TerminalText(user) << "\"\n";
    if (!desktop.HandheldUserId(user) && !desktop.SetHandheldUserId(user, handheldUser.userId)) {
      std::cerr << "oq-hotsync: the handheld's id could not be recorded for \"" << TerminalText(user) << "\"\n";
    }
    KeepKnowledge();
    const int status = PassStatus(pass, &catalogue, "listen");
    if (status == kExitOk) std::cerr << "oq-hotsync: HotSync with \"" << TerminalText(user) << "\" complete\n";
    Conclude(status, pass);
    return status;
  }

 private:
  // The line that sums up the HotSync, from the copy it left on the
  // desktop, and its entry in the desktop's log.
  void Conclude(int status, const ConduitPass& pass) {
    std::string error;
    const auto tally = TallyCatalogue(standin::DesktopDirectory().UserFile(user_, ""), error);
    const HotSyncEntry entry =
        EntryFor(user_, options_.wire + " HotSync from " + options_.peer, status, false, pass, tally);
    std::cerr << "oq-hotsync: " << LocalTimeText(entry.when) << " \"" << TerminalText(user_) << "\" from "
              << (options_.peer.empty() ? "an unknown address" : options_.peer) << ": "
              << (tally && pass.passRan
                      ? SummaryLine(*tally, pass.unanswered, "oq-hotsync show --outdated --user \"" + user_ + "\"")
                      : std::string("nothing tracked"))
              << "\n";
    AppendHotSyncLog(standin::DesktopDirectory(), entry);
  }

  // A handheld fresh from a reset gets the name --user gives, as a first
  // HotSync with a desktop does, and an id when it has none.
  bool NameHandheld(dlp::UserInfo& handheldUser) {
    if (!options_.user) {
      std::cerr << "oq-hotsync: the handheld has no user name; give it one with `oq-hotsync listen --user NAME` "
                   "and sync again\n";
      return false;
    }
    if (const auto problem = UserNameProblem(*options_.user)) {
      std::cerr << "oq-hotsync: " << *problem << "; give --user a name of printable characters\n";
      return false;
    }
    handheldUser.name = *options_.user;
    if (!Check(client_.WriteUserInfo(handheldUser, {true, false}), "naming the handheld")) return false;
    std::cerr << "oq-hotsync: named the handheld \"" << TerminalText(handheldUser.name) << "\"\n";
    return true;
  }

  // A user renamed on the desktop (`oq-hotsync users rename`) is known by
  // the handheld's id: the handheld takes the new name, as Palm Desktop
  // renames it at the next HotSync.
  bool FollowRename(dlp::UserInfo& handheldUser) {
    const standin::DesktopDirectory desktop;
    const auto users = desktop.Users();
    if (handheldUser.userId == 0 || std::find(users.begin(), users.end(), handheldUser.name) != users.end())
      return true;
    for (const auto& user : users) {
      if (desktop.HandheldUserId(user) != handheldUser.userId) continue;
      const std::string before = handheldUser.name;
      handheldUser.name = user;
      if (!Check(client_.WriteUserInfo(handheldUser, {true, false}), "renaming the handheld")) return false;
      std::cerr << "oq-hotsync: renamed the handheld \"" << TerminalText(before) << "\" to \"" << TerminalText(user)
                << "\", as its user was renamed on the desktop\n";
      return true;
    }
    return true;
  }

  // A handheld that claims a known user's name must be that user's
  // handheld: its id is the one recorded at the user's first HotSync over
  // a link. One without an id gets one, as a first HotSync gives it.
  bool CheckHandheldId(const standin::DesktopDirectory& desktop, dlp::UserInfo& handheldUser) {
    const auto recorded = desktop.HandheldUserId(handheldUser.name);
    if (recorded && *recorded != handheldUser.userId) {
      std::cerr << "oq-hotsync: the handheld says it is \"" << TerminalText(handheldUser.name)
                << "\", but it is not the handheld that user synced before (its id is " << handheldUser.userId
                << ", not " << *recorded << "); nothing was changed: if it is a new handheld of theirs, remove "
                << standin::DesktopDirectory().UserFile(handheldUser.name, "handheld.ini").string()
                << " and sync again\n";
      return false;
    }
    if (handheldUser.userId != 0) return true;
    handheldUser.userId = NewUserId();
    return Check(client_.WriteUserInfo(handheldUser, {false, true}), "giving the handheld an id");
  }

  // What was learnt of the handheld, for the next HotSync; a catalogue
  // copy only while it is known to be what the handheld holds. Nothing is
  // kept for a user the desktop does not know.
  void KeepKnowledge() {
    if (!known_) return;
    const auto users = standin::DesktopDirectory().Users();
    if (std::find(users.begin(), users.end(), knownFor_) == users.end()) {
      known_.reset();
      return;
    }
    if (!client_.linkFailure().ok()) known_->catalogue.reset();
    SaveKnownHandheld(standin::DesktopDirectory(), knownFor_, *known_);
    known_.reset();
  }

  bool Stopped() const { return stop_ != 0; }

  void Report(const dlp::Status& status, const char* what) {
    std::cerr << "oq-hotsync: " << what << " failed: " << status.Describe() << "\n";
  }

  bool Check(const dlp::Status& status, const char* what) {
    if (!status.ok()) Report(status, what);
    return status.ok();
  }

  // Tells a handheld still listening that the HotSync did not complete.
  // What the conduit wrote may not all be on the handheld: the period gate
  // must not keep the next HotSync from tracking again.
  int Abort() {
    if (Stopped()) std::cerr << "oq-hotsync: stopped; the HotSync did not complete\n";
    if (known_) known_->catalogue.reset();
    KeepKnowledge();
    if (passStarted_) {
      if (const auto restored = RestoreLastTrackTime(trackedBefore_); !restored.ok()) {
        std::cerr << "oq-hotsync: the last tracking time could not be put back: " << restored.failure() << "\n";
      }
    }
    if (client_.linkFailure().ok()) client_.EndOfSync(dlp::kEndOther);
    if (!user_.empty()) {
      AppendHotSyncLog(standin::DesktopDirectory(), {std::time(nullptr),
                                                     user_,
                                                     options_.wire + " HotSync from " + options_.peer,
                                                     {},
                                                     {},
                                                     Stopped() ? "interrupted" : "failed"});
    }
    return kExitConduitFailed;
  }

  dlp::Client& client_;
  ConduitLibrary& conduit_;
  const LiveHotSyncOptions& options_;
  const volatile std::sig_atomic_t& stop_;
  std::optional<cataloguer::KnownHandheld> known_;
  std::string user_;  // the handheld's user, once known
  std::string knownFor_;
  bool passStarted_ = false;
  std::optional<std::string> trackedBefore_;
};

}  // namespace

int RunLiveHotSync(dlp::Client& client, ConduitLibrary& conduit, const LiveHotSyncOptions& options,
                   const volatile std::sig_atomic_t& stop) {
  const int status = LiveHotSync(client, conduit, options, stop).Run();
  // The device backend refers to this connection's client, which ends with
  // it: no later Sync Manager call may reach it.
  handheld_host::DetachHandheld();
  return status;
}

}  // namespace oq::hotsync
