#include "line.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace sim {

void Line::Pace(size_t bytes) const {
  // Ten bits a byte: a start bit, eight data bits and a stop bit.
  if (pace_) std::this_thread::sleep_for(std::chrono::microseconds(bytes * 10 * 1000000 / rate_));
}

void Line::HangUp() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
}

bool Line::ReadSome(Bytes& out, int timeoutMs, bool& closed) {
  closed = descriptor_ < 0;
  if (closed) return false;
  pollfd waiting{descriptor_, POLLIN, 0};
  const int ready = poll(&waiting, 1, timeoutMs);
  if (ready <= 0) return false;
  uint8_t chunk[1024];
  const ssize_t got = read(descriptor_, chunk, sizeof chunk);
  if (got <= 0) {
    closed = !(got < 0 && (errno == EINTR || errno == EAGAIN));
    return false;
  }
  Pace(size_t(got));
  read_ += uint64_t(got);
  out.insert(out.end(), chunk, chunk + got);
  return true;
}

bool Line::ReadExactly(uint8_t* out, size_t length) {
  if (descriptor_ < 0) return false;
  size_t done = 0;
  while (done < length) {
    const ssize_t got = read(descriptor_, out + done, length - done);
    if (got <= 0) return false;
    done += size_t(got);
  }
  return true;
}

bool Line::Write(const uint8_t* bytes, size_t length) {
  if (descriptor_ < 0) return false;
  // A paced line writes a few milliseconds' worth at a time.
  const size_t step = pace_ ? std::max<size_t>(1, rate_ / 10 / 100) : length;
  for (size_t done = 0; done < length;) {
    const size_t now = std::min(step, length - done);
    const ssize_t sent = write(descriptor_, bytes + done, now);
    if (sent <= 0) return false;
    Pace(size_t(sent));
    written_ += uint64_t(sent);
    done += size_t(sent);
  }
  return true;
}

}  // namespace sim
