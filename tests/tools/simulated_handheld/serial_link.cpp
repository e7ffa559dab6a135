// The serial protocols as a handheld speaks them, written from their
// public description:
//   SLP: BE EF ED, destination and source socket (3), type (2: PADP), body
//     size (16 bits), transaction id, a checksum of those nine bytes (their
//     sum, modulo 256), the body, then a CRC-16 (CCITT, polynomial 0x1021,
//     starting at 0) of header and body.
//   PADP: type (1 data, 2 ack, 4 tickle, 8 abort), flags (0x80 first, 0x40
//     last), size (the whole message's in a first fragment, the offset of
//     the data in a later one), data; each data fragment is acked with its
//     flags and size under its transaction id.
//   CMP: the handheld's wake-up (type 1) names its fastest rate; the
//     desktop's init (type 2) names the rate both go at when its flag 0x80
//     is set.
#include <termios.h>

#include <chrono>
#include <iostream>
#include <optional>
#include <sstream>

#include "handheld_link.h"

namespace sim {

namespace {

constexpr uint8_t kData = 1, kAck = 2, kTickle = 4, kAbort = 8;
constexpr uint8_t kFirst = 0x80, kLast = 0x40;
constexpr uint8_t kWakeUpXid = 0xFF;
constexpr int kAckWaitMs = 1000;
constexpr int kSendings = 10;
constexpr int kWakeUpSendings = 60;  // the desktop may open the port after the button was pressed
constexpr int kRequestWaitMs = 120000;

uint16_t Crc(const Bytes& bytes) {
  uint16_t crc = 0;
  for (const uint8_t byte : bytes) {
    crc ^= uint16_t(byte << 8);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? uint16_t(crc << 1 ^ 0x1021) : uint16_t(crc << 1);
  }
  return crc;
}

uint32_t RateOf(speed_t speed) {
  switch (speed) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
  }
}

struct Fragment {
  uint8_t xid = 0, type = 0, flags = 0;
  uint16_t size = 0;
  Bytes data;
  bool Repeats(const Fragment& other) const { return xid == other.xid && flags == other.flags && size == other.size; }
};

class SerialLink : public HandheldLink {
 public:
  SerialLink(Line& line, const Options& options, int lineSettings)
      : line_(line), options_(options), lineSettings_(lineSettings) {}

  bool Open() override {
    Bytes wakeUp{1, 0, 1, 1, 0, 0};
    Put32(wakeUp, options_.offerRate);
    if (!SendMessage(kWakeUpXid, wakeUp, kWakeUpSendings)) return false;
    Bytes init;
    if (!ReceiveMessage(init)) return false;
    if (init.size() != 10 || init[0] != 2) return Complain("CMP init");
    cmpRate_ = (init[1] & 0x80) ? Get32(init, 6) : 9600;
    line_.SetRate(cmpRate_);
    return true;
  }

  bool Read(Bytes& message) override {
    if (!ReceiveMessage(message)) return false;
    // The desktop switched its side of the line before its first request.
    if (!lineRate_ && lineSettings_ >= 0) {
      termios settings{};
      if (tcgetattr(lineSettings_, &settings) == 0) lineRate_ = RateOf(cfgetospeed(&settings));
    }
    return true;
  }

  bool Send(const Bytes& message) override { return SendMessage(requestXid_, message, kSendings); }

  void SendOversized() override {
    Bytes header{0xBE, 0xEF, 0xED, 3, 3, 2, 0xFF, 0xFF, requestXid_};
    Put8(header, Checksum(header));
    line_.Write(header);
  }

  std::string Report() const override {
    std::ostringstream out;
    out << "cmpRate=" << cmpRate_ << "\nlineRate=" << lineRate_ << "\nbadPackets=" << badPackets_
        << "\nresent=" << resent_ << "\nbytesIn=" << line_.bytesRead() << "\nbytesOut=" << line_.bytesWritten() << "\n";
    return out.str();
  }

 private:
  static bool Complain(const char* what) {
    std::cerr << "simulated_handheld: unexpected " << what << "\n";
    return false;
  }
  static uint8_t Checksum(const Bytes& header) {
    unsigned sum = 0;
    for (size_t i = 0; i < 9; ++i) sum += header[i];
    return uint8_t(sum);
  }

  bool WritePacket(uint8_t xid, uint8_t type, uint8_t flags, uint16_t size, const Bytes& data) {
    Bytes body{type, flags};
    Put16(body, size);
    PutBytes(body, data);
    Bytes packet{0xBE, 0xEF, 0xED, 3, 3, 2};
    Put16(packet, uint16_t(body.size()));
    Put8(packet, xid);
    Put8(packet, Checksum(packet));
    PutBytes(packet, body);
    Put16(packet, Crc(packet));
    if (++written_ == options_.cutPacket) {  // the cable pulled mid-packet
      line_.Write(packet.data(), packet.size() / 2);
      line_.HangUp();
      return false;
    }
    if (type == kData) {
      ++dataSent_;
      if (dataSent_ == options_.corruptCrc) {
        Bytes broken = packet;
        broken.back() ^= 0x5A;
        return line_.Write(broken);
      }
      if (dataSent_ == options_.duplicate && !line_.Write(packet)) return false;
    }
    return line_.Write(packet);
  }

  void Acknowledge(const Fragment& fragment) {
    if (++acks_ == options_.dropAck) return;
    WritePacket(fragment.xid, kAck, fragment.flags, fragment.size, {});
  }

  // The next PADP fragment for the handheld's socket, within `timeoutMs`;
  // packets that fail their checks are dropped as a handheld drops them.
  bool ReadFragment(Fragment& fragment, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      while (pending_.size() >= 10) {
        if (pending_[0] != 0xBE || pending_[1] != 0xEF || pending_[2] != 0xED) {
          pending_.erase(pending_.begin());
          continue;
        }
        if (Checksum(pending_) != pending_[9]) {
          ++badPackets_;
          pending_.erase(pending_.begin());
          continue;
        }
        const size_t size = Get16(pending_, 6), total = 10 + size + 2;
        if (pending_.size() < total) break;
        const Bytes covered(pending_.begin(), pending_.begin() + long(10 + size));
        const bool sound = Crc(covered) == Get16(pending_, 10 + size) && size >= 4;
        if (!sound) {
          ++badPackets_;
          pending_.erase(pending_.begin());
          continue;
        }
        fragment = {pending_[8], pending_[10], pending_[11], Get16(pending_, 12),
                    Bytes(pending_.begin() + 14, pending_.begin() + long(10 + size))};
        const bool ours = pending_[3] == 3 && pending_[5] == 2;
        pending_.erase(pending_.begin(), pending_.begin() + long(total));
        if (ours) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      bool closed = false;
      if (!line_.ReadSome(pending_, int(left.count()), closed) && closed) {
        hungUp_ = true;
        return false;
      }
    }
  }

  bool SendMessage(uint8_t xid, const Bytes& message, int sendings) {
    size_t offset = 0;
    do {
      const size_t length = std::min(options_.fragment, message.size() - offset);
      const uint8_t flags = uint8_t((offset == 0 ? kFirst : 0) | (offset + length == message.size() ? kLast : 0));
      const uint16_t size = uint16_t(offset == 0 ? message.size() : offset);
      const Bytes data(message.begin() + long(offset), message.begin() + long(offset + length));
      bool acked = false;
      for (int sending = 0; !acked && sending < sendings; ++sending) {
        if (sending) ++resent_;
        if (!WritePacket(xid, kData, flags, size, data)) return false;
        Fragment in;
        while (!acked && ReadFragment(in, kAckWaitMs)) {
          if (in.type == kAck && in.xid == xid && in.size == size) acked = true;
          else if (in.type == kAbort) return false;
          else if (in.type == kData && lastReceived_ && in.Repeats(*lastReceived_)) Acknowledge(in);
          else if (in.type == kData && (flags & kLast)) early_ = in, acked = true;  // the next request: ours came
        }
        if (hungUp_) return false;
      }
      if (!acked) return Complain("silence where an ack was due");
      offset += length;
    } while (offset < message.size());
    return true;
  }

  bool ReceiveMessage(Bytes& message) {
    Bytes assembled;
    size_t expected = 0;
    bool started = false;
    for (;;) {
      Fragment in;
      if (early_) {
        in = *early_;
        early_.reset();
      } else if (!ReadFragment(in, kRequestWaitMs)) {
        return false;
      }
      if (in.type == kAbort) return false;
      if (in.type == kAck || in.type == kTickle) continue;  // a late ack; a tickle keeps the link up
      if (in.type != kData) return Complain("PADP packet type");
      Acknowledge(in);
      if (lastReceived_ && in.Repeats(*lastReceived_)) continue;
      lastReceived_ = in;
      if (in.flags & kFirst) {
        assembled.clear(), expected = in.size, started = true;
      } else if (!started || in.size != assembled.size()) {
        return Complain("fragment out of place");
      }
      PutBytes(assembled, in.data);
      if (in.flags & kLast) {
        if (assembled.size() != expected) return Complain("message length");
        requestXid_ = in.xid;
        message = std::move(assembled);
        return true;
      }
    }
  }

  Line& line_;
  const Options& options_;
  int lineSettings_;
  Bytes pending_;
  std::optional<Fragment> lastReceived_, early_;
  uint8_t requestXid_ = 0;
  uint32_t cmpRate_ = 0, lineRate_ = 0;
  int written_ = 0, dataSent_ = 0, acks_ = 0, badPackets_ = 0, resent_ = 0;
  bool hungUp_ = false;
};

}  // namespace

std::unique_ptr<HandheldLink> MakeSerialLink(Line& line, const Options& options, int lineSettings) {
  return std::make_unique<SerialLink>(line, options, lineSettings);
}

}  // namespace sim
