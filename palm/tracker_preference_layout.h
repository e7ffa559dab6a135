// TrackerPreference: the handheld application preference of creator rkOQ,
// id 0, 392 bytes. Offsets in bytes:
//
//   0   68   (handheld program's)
//   68  1    useSkipFlag      nonzero: records with skipFlag are not tracked
//   69  2    (handheld program's)
//   71  320  serverMessage    NUL-terminated, zero to the end of the area
//   391 1    (handheld program's)
#pragma once

#include <cstddef>
#include <cstdint>

#include "product.h"

namespace oq::tracker_preference {

inline constexpr size_t kSize = 392;
inline constexpr uint16_t kVersion = 0x130;
inline constexpr uint32_t kCreator = product::kCreatorValue;
inline constexpr uint16_t kPreferenceId = 0;
inline constexpr size_t kUseSkipFlagOffset = 68;
inline constexpr size_t kServerMessageOffset = 71;
inline constexpr size_t kServerMessageLength = 320;

}  // namespace oq::tracker_preference
