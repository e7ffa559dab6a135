// OpenConduit: one HotSync of the conduit, from the gates to the outcome.
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "conduit_exports.h"
#include "log_line.h"
#include "log_texts.h"
#include "progress_window.h"
#include "settings_file.h"
#include "sync_manager.h"
#include "sync_run.h"
#include "wall_clock.h"
#include "tracking_pass.h"

namespace oq {
namespace {

// The period in seconds, in 32-bit arithmetic that wraps like the
// platform's instead of overflowing.
int32_t PeriodSeconds(int32_t days) {
  const int64_t product = static_cast<int64_t>(days) * syncrun::kSecondsPerDay;
  return static_cast<int32_t>(static_cast<uint32_t>(product));
}

// True when the last successful pass is recent enough to skip this one.
bool TrackedWithinPeriod() {
  const int32_t period = PeriodSeconds(ParseDecimal32(SettingsFile::Read(
      SettingsFile::kTrack, SettingsFile::kPeriod, SettingsFile::kPeriodDefault, SettingsFile::kValueBufferSize)));
  if (period <= 0) return false;
  const int64_t lastTrack =
      ParseDecimal64(SettingsFile::Read(SettingsFile::kTrack, SettingsFile::kLastTrackTime,
                                        SettingsFile::kLastTrackTimeDefault, SettingsFile::kValueBufferSize));
  // Saturates rather than overflowing for a hand-edited, hugely negative time.
  const int64_t now = platform::SecondsSince1970();
  const int64_t elapsed =
      lastTrack < now - std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max() : now - lastTrack;
  if (elapsed >= period) return false;
  char line[128];
  std::snprintf(line, sizeof line, "%s %4.2f hours ago.", log_texts::kJustTracked,
                static_cast<double>(static_cast<float>(elapsed) * syncrun::kHoursPerSecond));
  LogLine(line);
  return true;
}

}  // namespace
}  // namespace oq

extern "C" int32_t OpenConduit(ConduitProgressCallback progress, SyncProperties* properties) {
  using namespace oq;
  if (properties != nullptr && properties->syncAction == conduit::kActionDoNothing) {
    LogLine("OrbitQuail - sync configured to Do Nothing");
    return 0;
  }
  if (TrackedWithinPeriod()) return 0;

  int32_t result = -1;
  if (progress == nullptr) return result;

  uint32_t conduitHandle = 0;
  result = SyncRegisterConduit(&conduitHandle);
  if (result != 0) {
    AddSyncManagerLogLine("Can't register OrbitQuail conduit.\n");
    return result;
  }

  uint32_t major = 0;
  uint32_t minor = 0;
  const int32_t versionResult = SyncGetAPIVersion(&major, &minor);
  if (major < syncrun::kRequiredMajor || (major == syncrun::kRequiredMajor && minor < syncrun::kRequiredMinor)) {
    AddSyncManagerLogLine("SyncMgr version is less than 2.2\n");
    SyncUnRegisterConduit(conduitHandle);
    return versionResult;
  }

  uint8_t dbHandle = 0;
  if (SyncOpenDB(syncrun::kCatalogueName, syncrun::kCardNumber, &dbHandle, syncrun::kCatalogueOpenMode) != 0) {
    char line[160];
    std::snprintf(line, sizeof line, "OrbitQuail: Can't find database, %s. Please run OrbitQuail palm program first.\n",
                  syncrun::kCatalogueName);
    AddSyncManagerLogLine(line);
    LogError(line);
    SyncUnRegisterConduit(conduitHandle);
    return 0;
  }

  LogLine(log_texts::kPassStart);
  std::optional<ProgressWindow> progressWindow(std::in_place);
  result = RunTrackingPass(dbHandle, *progressWindow);

  char outcome[64];
  std::snprintf(outcome, sizeof outcome, "--- %s - OrbitQuail ---", result == 0 ? "OK" : "Error");
  LogLine(outcome);
  if (result != 0) {
    AddSyncManagerLogLine("OrbitQuail error.\n");
  } else {
    AddSyncManagerLogLine("OK OrbitQuail\n");
    SettingsFile::Write(SettingsFile::kTrack, SettingsFile::kLastTrackTime,
                        std::to_string(platform::SecondsSince1970()));
  }

  progressWindow.reset();
  SyncCloseDB(dbHandle);
  SyncUnRegisterConduit(conduitHandle);
  return result;
}
