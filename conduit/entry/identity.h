// The conduit's name, version and properties as the HotSync Manager asks
// for them, and the result codes shared with the configuration exports.
#pragma once

#include <cstdint>

namespace oq::identity {

inline constexpr uint32_t kConduitVersion = 0x10200;

// GetConduitInfo kinds, and the values the conduit answers for 1 and 2:
// built with MFC 6.0, Synchronize as the default action.
inline constexpr int32_t kInfoName = 0;
inline constexpr int32_t kInfoMfcVersion = 1;
inline constexpr int32_t kInfoDefaultAction = 2;

inline constexpr uint32_t kMfcVersionValue = 0x600;
inline constexpr uint32_t kDefaultActionValue = 0;
inline constexpr uint32_t kNameRequestVersion = 1;
inline constexpr uint32_t kNameRequestSize = 80;
inline constexpr uint32_t kInfoValueSize = 4;

inline constexpr int32_t kErrKindNotSupported = 4208;
inline constexpr int32_t kErrNullOutput = 4209;
inline constexpr int32_t kErrBadOutputSize = 4211;
inline constexpr int32_t kErrNullInput = 4212;
inline constexpr int32_t kErrBadInputBlock = 4213;
inline constexpr int32_t kErrNameNotLoaded = 4214;
inline constexpr int32_t kErrNullOutputSize = 4215;
inline constexpr int32_t kErrNullSize = 4216;
inline constexpr int32_t kErrConfigTypeNotSupported = 4217;
inline constexpr int32_t kErrBadConfigSize = 4218;
inline constexpr int32_t kErrBadConfigVersion = 4219;

}  // namespace oq::identity
