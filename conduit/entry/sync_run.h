// Constants of the sync run (OpenConduit).
#pragma once

#include <cstdint>

#include "product.h"
#include "sync_manager.h"

namespace oq::syncrun {

inline constexpr const char* kCatalogueName = product::kCatalogueName;
inline constexpr int32_t kCardNumber = 0;
inline constexpr uint8_t kCatalogueOpenMode =
    static_cast<uint8_t>(sync::kOpenRead | sync::kOpenWrite | sync::kOpenShowSecret);
static_assert(kCatalogueOpenMode == 0xD0, "the catalogue is opened for reading and writing, secret records shown");
inline constexpr uint32_t kRequiredMajor = 2;
inline constexpr uint32_t kRequiredMinor = 2;
inline constexpr int32_t kSecondsPerDay = 86400;
inline constexpr float kHoursPerSecond = 0.00027777778f;

}  // namespace oq::syncrun
