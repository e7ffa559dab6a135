#include "tracking_period_override.h"

#include <iostream>

#include "conduit_settings.h"

namespace oq::hotsync {

Outcome TrackingPeriodOverride::Begin() {
  if (!force_) return {};
  trackedBefore_ = LastTrackTimeText();
  if (!trackedBefore_) return {};
  return RestoreLastTrackTime(std::nullopt);
}

void TrackingPeriodOverride::End() {
  if (!force_ || LastTrackTimeText()) return;
  if (const auto restored = RestoreLastTrackTime(trackedBefore_); !restored.ok()) {
    std::cerr << "oq-hotsync: the last tracking time could not be put back: " << restored.failure() << "\n";
  }
}

}  // namespace oq::hotsync
