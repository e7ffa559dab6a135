#include "version_order.h"

#include <cstdlib>

namespace oq::palm {

namespace {

// The dot-separated numbers of a version, one at a time, each as strtol
// reads it (a part without digits is 0); zeros once they run out, so that
// "1.2" and "1.2.0" compare equal.
class VersionNumbers {
 public:
  explicit VersionNumbers(const std::string& version) : version_(version) {}
  bool Done() const { return next_ > version_.size(); }
  long Next() {
    if (Done()) return 0;
    // strtol stops at the dot, so the rest of the version is never read.
    const long number = std::strtol(version_.c_str() + next_, nullptr, 10);
    const size_t dot = version_.find('.', next_);
    next_ = dot == std::string::npos ? version_.size() + 1 : dot + 1;
    return number;
  }

 private:
  const std::string& version_;
  size_t next_ = 0;
};

}  // namespace

bool VersionBefore(const std::string& version, const std::string& other) {
  VersionNumbers a(version);
  VersionNumbers b(other);
  while (!a.Done() || !b.Done()) {
    const long x = a.Next();
    const long y = b.Next();
    if (x != y) return x < y;
  }
  return false;
}

}  // namespace oq::palm
