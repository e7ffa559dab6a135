#include "version_order.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace oq::tracker {

namespace {
std::vector<long> VersionNumbers(const std::string& version) {
  std::vector<long> numbers;
  size_t start = 0;
  while (start <= version.size()) {
    const size_t dot = version.find('.', start);
    numbers.push_back(std::strtol(version.substr(start, dot - start).c_str(), nullptr, 10));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return numbers;
}
}  // namespace

bool VersionBefore(const std::string& version, const std::string& other) {
  auto a = VersionNumbers(version);
  auto b = VersionNumbers(other);
  a.resize(std::max(a.size(), b.size()), 0);
  b.resize(a.size(), 0);
  return a < b;
}

}  // namespace oq::tracker
