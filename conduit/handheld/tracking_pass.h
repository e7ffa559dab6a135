// The work of one HotSync over the open program catalogue.
#pragma once

#include <cstdint>

namespace oq {

// 0 when the HotSync counts as tracked.
int32_t RunTrackingPass(uint8_t dbHandle);

}  // namespace oq
