// A response body as both internet bindings hold it: received whole, at
// most kMaxBodySize bytes, then handed out line by line.
#pragma once

#include <string>

#include "internet.h"

namespace oq::platform {

class ResponseBody {
 public:
  void Clear() {
    text_.clear();
    readPosition_ = 0;
  }
  // False, keeping nothing, when the body would outgrow kMaxBodySize.
  bool Append(const char* data, size_t length) {
    if (text_.size() + length > kMaxBodySize) {
      Clear();
      return false;
    }
    text_.append(data, length);
    return true;
  }
  // The next line without its line feed; false when the body is done.
  bool ReadLine(std::string& line) {
    if (readPosition_ >= text_.size()) return false;
    size_t end = text_.find('\n', readPosition_);
    if (end == std::string::npos) end = text_.size();
    line.assign(text_, readPosition_, end - readPosition_);
    readPosition_ = end + 1;
    return true;
  }

  static constexpr const char* kTooLargeMessage = "The server's response is larger than 1 MiB.";

 private:
  std::string text_;
  size_t readPosition_ = 0;
};

}  // namespace oq::platform
