// The wall clock over the C library, whose time_t is 64 bits here.
#include <ctime>

#include "wall_clock.h"

namespace oq::platform {

static_assert(sizeof(std::time_t) >= sizeof(int64_t), "a 64-bit time_t");

int64_t SecondsSince1970() { return static_cast<int64_t>(std::time(nullptr)); }

std::string LocalTimeText(int64_t secondsSince1970) {
  const std::time_t time = static_cast<std::time_t>(secondsSince1970);
  std::tm local{};
  char text[64];
  if (localtime_r(&time, &local) == nullptr ||
      std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y\n", &local) == 0) {
    return {};
  }
  return text;
}

}  // namespace oq::platform
