// A stream whose first bytes were read already, by whoever had to look at
// them to know which framing follows: they are read again first, then the
// stream's own. The stream itself stays its owner's.
#pragma once

#include <algorithm>
#include <vector>

#include "byte_stream.h"

namespace oq::stream {

class PrefixedStream : public ByteStream {
 public:
  PrefixedStream(std::vector<uint8_t> first, ByteStream& rest) : first_(std::move(first)), rest_(rest) {}

  dlp::LinkError Read(std::span<uint8_t> out, Clock::time_point until, size_t& got) override {
    if (taken_ == first_.size()) return rest_.Read(out, until, got);
    got = std::min(out.size(), first_.size() - taken_);
    std::copy_n(first_.begin() + static_cast<std::ptrdiff_t>(taken_), got, out.begin());
    taken_ += got;
    return dlp::LinkError::kNone;
  }
  dlp::LinkError Write(std::span<const uint8_t> bytes, Clock::time_point until) override {
    return rest_.Write(bytes, until);
  }
  std::string Detail() const override { return rest_.Detail(); }
  std::string PeerName() const override { return rest_.PeerName(); }
  uint32_t LocalIpv4() const override { return rest_.LocalIpv4(); }

 private:
  std::vector<uint8_t> first_;
  size_t taken_ = 0;
  ByteStream& rest_;
};

}  // namespace oq::stream
