// Facts of the product that its parts share: the creator code the handheld
// program, its catalogue and the conduit are known by (as text and as the
// number Palm OS stores), the catalogue's name and the conduit's agent text.
#pragma once

#include <cstdint>

namespace oq::product {

inline constexpr const char* kCreatorText = "rkOQ";
inline constexpr uint32_t kCreatorValue = 0x726B4F51;
static_assert((uint32_t{static_cast<unsigned char>(kCreatorText[0])} << 24 |
               uint32_t{static_cast<unsigned char>(kCreatorText[1])} << 16 |
               uint32_t{static_cast<unsigned char>(kCreatorText[2])} << 8 |
               uint32_t{static_cast<unsigned char>(kCreatorText[3])}) == kCreatorValue,
              "the creator code's text and number are one code");

inline constexpr const char* kCatalogueName = "OQProgDB";

// The session's user agent, and the text every query sends as "User_Agent".
inline constexpr const char* kUserAgent = "OrbitQuail/1.30";

}  // namespace oq::product
