#include "poll_wait.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>

namespace oq::stream {

dlp::LinkError PollUntil(int descriptor, short events, Clock::time_point until, short& returned) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0) return dlp::LinkError::kTimedOut;
    pollfd waiting{descriptor, events, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(std::min<int64_t>(left.count(), INT_MAX)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return dlp::LinkError::kSystem;
    if (ready > 0) {
      returned = waiting.revents;
      return dlp::LinkError::kNone;
    }
  }
}

}  // namespace oq::stream
