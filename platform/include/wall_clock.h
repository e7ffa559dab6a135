// The time of day in 64-bit seconds since 1970 on every build: a 32-bit
// Windows time_t ends in January 2038.
#pragma once

#include <cstdint>
#include <string>

namespace oq::platform {

int64_t SecondsSince1970();
// Local time as ctime writes it ("Wed Jun 30 21:49:08 1993\n"); empty when
// the platform cannot show that time.
std::string LocalTimeText(int64_t secondsSince1970);

}  // namespace oq::platform
