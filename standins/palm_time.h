// Palm dates: unsigned seconds since 1904-01-01 00:00 (the handheld's local
// time, which the desktop takes as its own). The one place that converts.
#pragma once

#include <cstdint>
#include <ctime>

namespace oq::palm {

// Seconds from 1904-01-01 to 1970-01-01.
constexpr int64_t kPalmEpochOffset = 2082844800;

inline uint32_t PalmTimeFromUnix(int64_t unixSeconds) {
  return static_cast<uint32_t>(unixSeconds + kPalmEpochOffset);
}

inline int64_t UnixTimeFromPalm(uint32_t palmSeconds) {
  return static_cast<int64_t>(palmSeconds) - kPalmEpochOffset;
}

inline uint32_t PalmNow() { return PalmTimeFromUnix(static_cast<int64_t>(std::time(nullptr))); }

}  // namespace oq::palm
