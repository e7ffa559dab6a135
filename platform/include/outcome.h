// What an action that can fail gives back: success, or why it failed, in
// words a user can act on. A failure is a failure even when its words are
// empty, and [[nodiscard]] keeps one from being dropped unseen.
#pragma once

#include <string>
#include <utility>

namespace oq {

class [[nodiscard]] Outcome {
 public:
  Outcome() = default;  // success
  static Outcome Failed(std::string why) {
    Outcome outcome;
    outcome.failed_ = true;
    outcome.failure_ = std::move(why);
    return outcome;
  }

  bool ok() const { return !failed_; }
  const std::string& failure() const { return failure_; }

 private:
  bool failed_ = false;
  std::string failure_;
};

}  // namespace oq
