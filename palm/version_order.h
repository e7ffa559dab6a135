// Program versions as dotted numbers, compared number by number:
// "1.4" comes before "1.30", and "1.30" before "1.30.1".
#pragma once

#include <string>

namespace oq::palm {

bool VersionBefore(const std::string& version, const std::string& other);

}  // namespace oq::palm
