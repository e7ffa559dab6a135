// When a stop ends a wait for the handheld. A wait between HotSyncs ends at
// once; a wait in a HotSync gets a grace, so that an answer on its way
// still comes and the handheld can be told the HotSync did not complete.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "byte_stream.h"

namespace oq::stream {

// How often a wait looks at the stop flag.
inline constexpr auto kStopCheck = std::chrono::milliseconds(200);
// How long an answer on its way may still take once the desktop is told to
// stop.
inline constexpr auto kStopGrace = std::chrono::seconds(3);

class StopClock {
 public:
  // `stopped` is asked each time; empty: never stopped.
  explicit StopClock(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}

  // The end a stop puts to the wait under way, `grace` after the stop was
  // first seen; none before a stop.
  std::optional<Clock::time_point> Ends(Clock::duration grace) {
    if (!seen_ && stopped_ && stopped_()) seen_ = Clock::now();
    if (!seen_) return std::nullopt;
    return *seen_ + grace;
  }

 private:
  std::function<bool()> stopped_;
  std::optional<Clock::time_point> seen_;
};

}  // namespace oq::stream
