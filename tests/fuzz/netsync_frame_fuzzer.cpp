// Any bytes from the network as a handheld's frames, in any cuts: the
// frame reader takes whole frames or fails with a reason, never waits for
// bytes that cannot come, and never takes a payload above its bound.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "netsync_transport.h"

namespace {

using oq::dlp::LinkError;

// The fuzzer's bytes, given `cut` at a time; then the handheld hangs up.
class Replay : public oq::stream::ByteStream {
 public:
  Replay(std::span<const uint8_t> bytes, size_t cut) : bytes_(bytes), cut_(cut) {}
  LinkError Read(std::span<uint8_t> out, oq::stream::Clock::time_point, size_t& got) override {
    if (bytes_.empty()) return LinkError::kClosed;
    got = std::min({out.size(), cut_, bytes_.size()});
    std::copy_n(bytes_.begin(), got, out.begin());
    bytes_ = bytes_.subspan(got);
    return LinkError::kNone;
  }
  LinkError Write(std::span<const uint8_t>, oq::stream::Clock::time_point) override { return LinkError::kNone; }
  std::string Detail() const override { return {}; }

 private:
  std::span<const uint8_t> bytes_;
  size_t cut_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool handshake = data[0] & 1;
  const size_t cut = data[1] == 0 ? 1 : data[1];
  const std::span<const uint8_t> bytes(data + 2, size - 2);
  oq::netsync::Transport transport(std::make_unique<Replay>(bytes, cut), std::chrono::seconds(5));
  if (handshake && transport.Handshake() != LinkError::kNone) return 0;
  size_t received = 0;
  const std::vector<uint8_t> request{0x10, 0};
  for (;;) {
    if (transport.Send(request) != LinkError::kNone) std::abort();  // a write that cannot fail here
    std::vector<uint8_t> packet;
    const LinkError error = transport.Receive(packet);
    if (error != LinkError::kNone) {
      if (transport.Failure().empty()) std::abort();
      break;
    }
    if (packet.size() > oq::netsync::kMaxPayload) std::abort();
    received += packet.size() + oq::netsync::kHeaderLength;
    if (received > bytes.size()) std::abort();
  }
  return 0;
}
