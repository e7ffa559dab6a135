// How long the internet bindings wait: ORBITQUAIL_HTTP_TIMEOUT seconds when
// it holds a positive number (at most a day), 60 otherwise. It bounds the
// connection and every wait for data; a whole request, slow body included,
// ends at the latest after twice that.
#pragma once

#include <cstdlib>

namespace oq::platform {

inline constexpr const char* kHttpTimeoutVariable = "ORBITQUAIL_HTTP_TIMEOUT";
inline constexpr long kDefaultHttpTimeoutSeconds = 60;
inline constexpr long kMaxHttpTimeoutSeconds = 24 * 60 * 60;

inline long HttpTimeoutSeconds() {
  const char* text = std::getenv(kHttpTimeoutVariable);
  const long seconds = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  if (seconds <= 0) return kDefaultHttpTimeoutSeconds;
  return seconds < kMaxHttpTimeoutSeconds ? seconds : kMaxHttpTimeoutSeconds;
}

inline long HttpRequestDeadlineSeconds() { return 2 * HttpTimeoutSeconds(); }

}  // namespace oq::platform
