// --force: one HotSync tracks past the tracking period. The last tracking
// time is hidden from the conduit's period gate for that pass and put back
// when the pass did not track; the settings and chosen actions stay as
// they are.
#pragma once

#include <optional>
#include <string>

#include "outcome.h"

namespace oq::hotsync {

class TrackingPeriodOverride {
 public:
  explicit TrackingPeriodOverride(bool force) : force_(force) {}

  // Before the pass.
  Outcome Begin();
  // After the pass; says on stderr what could not be put back.
  void End();

 private:
  bool force_;
  std::optional<std::string> trackedBefore_;
};

}  // namespace oq::hotsync
