// NetSync's framing as a handheld speaks it: a 6-byte header (type 1, the
// transaction id, a 32-bit length) before each message, and three fixed
// exchanges before the first request.
#include <chrono>
#include <iostream>
#include <thread>

#include "handheld_link.h"

namespace sim {

namespace {

class NetSyncLink : public HandheldLink {
 public:
  NetSyncLink(Line& line, const Options& options) : line_(line), options_(options) {}

  bool Open() override {
    const Bytes hello{0x90, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 8, 0, 0, 0, 1, 0x80, 0, 0, 0};
    if (options_.silentFor) {
      std::this_thread::sleep_for(std::chrono::seconds(options_.silentFor));
      return false;
    }
    if (options_.trickleMs) {
      Bytes frame{1, 0xFF};
      Put32(frame, uint32_t(hello.size()));
      PutBytes(frame, hello);
      for (const uint8_t byte : frame) {
        if (!line_.Write(&byte, 1)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(options_.trickleMs));
      }
      return false;
    }
    xid_ = 0xFF;
    if (!Send(hello)) return false;
    Bytes in;
    if (!Read(in) || in.size() != 50 || in[0] != 0x12) return Complain("second message");
    Bytes second(in.begin(), in.end());
    second[0] = 0x92;
    std::swap(second[18], second[19]), std::swap(second[20], second[21]);  // the window, answered swapped
    if (!Send(second)) return false;
    if (!Read(in) || in.size() != 46 || in[0] != 0x13) return Complain("third message");
    return Send({0x93, 0, 0, 0, 0, 0, 0, 0});
  }

  bool Read(Bytes& payload) override {
    uint8_t header[6];
    if (!line_.ReadExactly(header, 6) || header[0] != 1) return false;
    xid_ = header[1];
    const uint32_t length =
        uint32_t(header[2]) << 24 | uint32_t(header[3]) << 16 | uint32_t(header[4]) << 8 | header[5];
    if (length > 1 << 20) return false;
    payload.resize(length);
    return line_.ReadExactly(payload.data(), length);
  }

  // Answers go under the transaction id of the request they answer.
  bool Send(const Bytes& payload) override {
    Bytes frame{1, xid_};
    Put32(frame, uint32_t(payload.size()));
    PutBytes(frame, payload);
    return line_.Write(frame);
  }

  void SendOversized() override { line_.Write({1, xid_, 0x7F, 0xFF, 0xFF, 0xFF}); }

 private:
  static bool Complain(const char* what) {
    std::cerr << "simulated_handheld: unexpected " << what << "\n";
    return false;
  }

  Line& line_;
  const Options& options_;
  uint8_t xid_ = 0xFF;
};

}  // namespace

std::unique_ptr<HandheldLink> MakeNetSyncLink(Line& line, const Options& options) {
  return std::make_unique<NetSyncLink>(line, options);
}

}  // namespace sim
