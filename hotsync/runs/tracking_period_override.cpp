#include "tracking_period_override.h"

#include <iostream>

#include "conduit_settings.h"

namespace oq::hotsync {

std::string TrackingPeriodOverride::Begin() {
  if (!force_) return {};
  trackedBefore_ = LastTrackTimeText();
  if (!trackedBefore_) return {};
  return RestoreLastTrackTime(std::nullopt);
}

void TrackingPeriodOverride::End() {
  if (!force_ || LastTrackTimeText()) return;
  if (const auto failure = RestoreLastTrackTime(trackedBefore_); !failure.empty()) {
    std::cerr << "oq-hotsync: the last tracking time could not be put back: " << failure << "\n";
  }
}

}  // namespace oq::hotsync
