#include "live_hotsync.h"

#include <ctime>
#include <optional>
#include <iostream>
#include <unistd.h>

#include "catalogue_refresh.h"
#include "commands.h"
#include "conduit_pass.h"
#include "conduit_settings.h"
#include "desktop_directory.h"
#include "device_handheld.h"
#include "handheld_host.h"
#include "live_handheld.h"
#include "live_install.h"
#include "palm_time.h"
#include "sync_advice.h"

namespace oq::hotsync {

namespace {

// The Sync Manager version a handheld allows: application preferences came
// with DLP 1.1, and the conduit needs 2.2 for them.
constexpr uint32_t kSyncManagerMajor = 2;
constexpr uint32_t kSyncManagerMinorWithPreferences = 2;
constexpr uint32_t kSyncManagerMinorWithout = 1;

// This desktop's id, which the handheld keeps as the PC it last synced with.
uint32_t DesktopId() { return static_cast<uint32_t>(gethostid()); }

class LiveHotSync {
 public:
  LiveHotSync(dlp::Client& client, ConduitLibrary& conduit, const volatile std::sig_atomic_t& stop)
      : client_(client), conduit_(conduit), stop_(stop) {}

  int Run() {
    dlp::SysInfo system;
    if (!Check(client_.ReadSysInfo(system), "reading the handheld's system information")) return Abort();
    dlp::UserInfo handheldUser;
    if (!Check(client_.ReadUserInfo(handheldUser), "reading the handheld's user")) return Abort();
    const std::string& user = handheldUser.name;
    if (user.empty()) {
      std::cerr << "oq-hotsync: the handheld has no user name; give it one (a first HotSync with Palm Desktop "
                   "does) and sync again\n";
      return Abort();
    }
    std::cerr << "oq-hotsync: HotSync with \"" << user << "\"\n";

    standin::DesktopDirectory desktop;
    if (const std::string known = SameUserInOtherCase(desktop.Users(), user); !known.empty()) {
      std::cerr << "oq-hotsync: the handheld's user \"" << user << "\" is not \"" << known
                << "\", whom the desktop knows: rename one of them and sync again\n";
      return Abort();
    }
    auto unreadable = desktop.UnreadableFiles(user);
    if (auto settings = SettingsUnreadable(); !settings.empty()) unreadable.push_back(std::move(settings));
    for (const auto& problem : unreadable) {
      std::cerr << "oq-hotsync: cannot read " << problem << "; nothing was changed: make it readable and sync again\n";
    }
    if (!unreadable.empty()) return Abort();
    if (desktop.AddUser(user)) std::cerr << "oq-hotsync: added the HotSync user \"" << user << "\"\n";

    if (!InstallQueuedOnHandheld(desktop, user, client_) || Stopped()) return Abort();
    const auto catalogue = RunCataloguerFor(desktop, user, [this](cataloguer::RememberedFlags* remembered) {
      return cataloguer::CatalogueLiveHandheld(client_, remembered);
    });
    if (!ReportCatalogue(catalogue) || !client_.linkFailure().ok() || Stopped()) return Abort();
    if (!Check(client_.OpenConduit(), "starting the conduit on the handheld")) return Abort();

    handheld_host::BeginSync(std::make_unique<standin::DeviceHandheld>(client_, [this] { return Stopped(); }));
    handheld_host::SetUser(user);
    const bool preferences = system.dlpMajor > 1 || system.dlpMinor >= 1;
    handheld_host::SetApiVersion(kSyncManagerMajor,
                                 preferences ? kSyncManagerMinorWithPreferences : kSyncManagerMinorWithout);
    trackedBefore_ = LastTrackTimeText();
    passStarted_ = true;
    ConduitPass pass = RunConduitPass(conduit_, ChosenAction(desktop, user));
    handheld_host::EndSync();

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
    handheldUser.lastSyncPc = DesktopId();
    handheldUser.lastSync = palm::CalendarFromPalm(palm::PalmNow());
    Check(client_.WriteUserInfo(handheldUser), "recording the HotSync on the handheld");
    const bool clean = pass.result == 0 && client_.linkFailure().ok() && catalogue.Complete();
    if (!Check(client_.EndOfSync(clean ? dlp::kEndNormal : dlp::kEndOther), "ending the HotSync")) return Abort();
    pass.advice.Print(std::cerr, pass.result);
    if (pass.result != 0) {
      if (pass.result != -1) {
        std::cerr << "oq-hotsync: the conduit returned 0x" << std::hex << std::uppercase
                  << static_cast<uint32_t>(pass.result) << std::dec << "\n";
      }
      return kExitConduitFailed;
    }
    if (!pass.passRan) std::cerr << "oq-hotsync: nothing was tracked at this HotSync (the log above says why)\n";
    if (!catalogue.Complete()) {
      ReportIncompleteCatalogue(catalogue);
      return kExitConduitFailed;
    }
    if (!pass.passRan) return kExitNothingTracked;
    std::cerr << "oq-hotsync: HotSync with \"" << user << "\" complete\n";
    return kExitOk;
  }

 private:
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
    if (passStarted_) {
      if (const auto failure = RestoreLastTrackTime(trackedBefore_); !failure.empty()) {
        std::cerr << "oq-hotsync: the last tracking time could not be put back: " << failure << "\n";
      }
    }
    if (client_.linkFailure().ok()) client_.EndOfSync(dlp::kEndOther);
    return kExitConduitFailed;
  }

  dlp::Client& client_;
  ConduitLibrary& conduit_;
  const volatile std::sig_atomic_t& stop_;
  bool passStarted_ = false;
  std::optional<std::string> trackedBefore_;
};

}  // namespace

int RunLiveHotSync(dlp::Client& client, ConduitLibrary& conduit, const volatile std::sig_atomic_t& stop) {
  const int status = LiveHotSync(client, conduit, stop).Run();
  // The device backend refers to this connection's client, which ends with
  // it: no later Sync Manager call may reach it.
  handheld_host::BeginSync(std::unique_ptr<standin::HandheldBackend>());
  return status;
}

}  // namespace oq::hotsync
