// The simulator's end of the wire: a loopback socket or a pseudo-terminal's
// master side, optionally paced at the line's rate so that a HotSync takes
// as long as it would on a real cable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim_bytes.h"

namespace sim {

class Line {
 public:
  Line(int descriptor, bool pace) : descriptor_(descriptor), pace_(pace) {}

  void SetRate(uint32_t rate) { rate_ = rate; }
  // Some bytes, within `timeoutMs`: false on a time-out (`closed` false)
  // or once the other end is gone (`closed` true).
  bool ReadSome(Bytes& out, int timeoutMs, bool& closed);
  bool ReadExactly(uint8_t* out, size_t length);
  bool Write(const uint8_t* bytes, size_t length);
  bool Write(const Bytes& bytes) { return Write(bytes.data(), bytes.size()); }
  // The cable pulled: every later read and write fails, and the desktop's
  // side of a pseudo-terminal hangs up.
  void HangUp();
  uint64_t bytesRead() const { return read_; }
  uint64_t bytesWritten() const { return written_; }

 private:
  void Pace(size_t bytes) const;

  int descriptor_;
  bool pace_;
  uint32_t rate_ = 9600;
  uint64_t read_ = 0, written_ = 0;
};

}  // namespace sim
