// The wall clock over the C runtime's 64-bit time calls, which a 32-bit
// build's time_t does not reach.
#include <time.h>

#include "wall_clock.h"

namespace oq::platform {

int64_t SecondsSince1970() { return static_cast<int64_t>(_time64(nullptr)); }

std::string LocalTimeText(int64_t secondsSince1970) {
  const __time64_t time = secondsSince1970;
  const char* text = _ctime64(&time);
  return text != nullptr ? text : std::string();
}

}  // namespace oq::platform
