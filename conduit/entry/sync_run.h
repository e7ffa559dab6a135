// Constants of the sync run (OpenConduit).
#pragma once

#include <cstdint>

namespace oq::syncrun {

inline constexpr const char* kCatalogueName = "OQProgDB";
inline constexpr int32_t kCardNumber = 0;
inline constexpr uint8_t kCatalogueOpenMode = 0xD0;  // read, write, secret records shown
inline constexpr uint32_t kRequiredMajor = 2;
inline constexpr uint32_t kRequiredMinor = 2;
inline constexpr int32_t kSecondsPerDay = 86400;
inline constexpr float kHoursPerSecond = 0.00027777778f;

}  // namespace oq::syncrun
