#include "hotsync_steps.h"

#include <algorithm>
#include <ctime>
#include <iostream>

#include "catalogue_refresh.h"
#include "catalogue_rows.h"
#include "conduit_settings.h"
#include "exit_status.h"
#include "handheld_host.h"
#include "tracking_period_override.h"

namespace oq::hotsync {

bool DesktopReadable(const standin::DesktopDirectory& desktop, const std::string& user) {
  auto unreadable = desktop.UnreadableFiles(user);
  if (auto settings = SettingsUnreadable(); !settings.empty()) unreadable.push_back(std::move(settings));
  for (const auto& problem : unreadable) {
    std::cerr << "oq-hotsync: cannot read " << problem << "; nothing was changed: make it readable and sync again\n";
  }
  return unreadable.empty();
}

std::optional<ConduitPass> RunTrackingPass(ConduitLibrary& conduit, int action, bool force) {
  // --force hides the last tracking time from the period gate for this
  // pass only.
  TrackingPeriodOverride period(force);
  if (const auto begun = period.Begin(); !begun.ok()) {
    std::cerr << "oq-hotsync: cannot pass the tracking period: " << begun.failure() << "\n";
    return std::nullopt;
  }
  ConduitPass pass = RunConduitPass(conduit, action);
  period.End();
  handheld_host::EndSync();
  return pass;
}

int PassStatus(const ConduitPass& pass, const cataloguer::CatalogueResult* catalogue, const char* command,
               const std::function<void()>& tracked, const std::function<void()>& untracked) {
  pass.advice.Print(std::cerr, pass.result, command);
  if (pass.result != 0) {
    if (pass.result != -1) {
      std::cerr << "oq-hotsync: the conduit returned 0x" << std::hex << std::uppercase
                << static_cast<uint32_t>(pass.result) << std::dec << std::nouppercase << "\n";
    }
    return kExitConduitFailed;
  }
  if (pass.passRan) {
    if (tracked) tracked();
  } else {
    if (untracked) untracked();
    std::cerr << "oq-hotsync: nothing was tracked at this HotSync (the log above says why)\n";
  }
  if (catalogue && !catalogue->Complete()) {
    ReportIncompleteCatalogue(*catalogue);
    return kExitConduitFailed;
  }
  return pass.passRan ? kExitOk : kExitNothingTracked;
}

HotSyncEntry EntryFor(const std::string& user, const std::string& handheld, int status, bool interrupted,
                      const ConduitPass& pass, const std::optional<CatalogueTally>& tally) {
  HotSyncEntry entry{std::time(nullptr),
                     user,
                     handheld,
                     {},
                     {},
                     interrupted                     ? "interrupted"
                     : status == kExitOk             ? "tracked"
                     : status == kExitNothingTracked ? "nothing tracked"
                                                     : "failed"};
  if (tally && pass.passRan && !interrupted) {
    entry.tracked = tally->tracked - std::min(tally->tracked, pass.unanswered);
    entry.outdated = tally->newer;
  }
  return entry;
}

}  // namespace oq::hotsync
