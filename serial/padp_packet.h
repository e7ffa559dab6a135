// The Packet Assembly/Disassembly Protocol, carried in SLP packets of type
// kPadpType: a message (one DLP request or answer, or a CMP packet) goes
// in data fragments of at most kMaxFragment bytes, each acknowledged.
//
//   0 type, 1 flags, 2 size (16 bits): in a first fragment the whole
//   message's length, in a later one the offset of its data; 4 data.
//
// An ack repeats the fragment's flags and size, under the same SLP
// transaction id, and carries no data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oq::serial {

inline constexpr size_t kPadpTypeOffset = 0;
inline constexpr size_t kPadpFlagsOffset = 1;
inline constexpr size_t kPadpSizeOffset = 2;
inline constexpr size_t kPadpHeaderLength = 4;
inline constexpr size_t kMaxFragment = 1024;

inline constexpr uint8_t kPadpData = 1;
inline constexpr uint8_t kPadpAck = 2;
inline constexpr uint8_t kPadpTickle = 4;
inline constexpr uint8_t kPadpAbort = 8;

inline constexpr uint8_t kPadpFirst = 0x80;
inline constexpr uint8_t kPadpLast = 0x40;
inline constexpr uint8_t kPadpOutOfMemory = 0x20;

struct PadpPacket {
  uint8_t type = kPadpData;
  uint8_t flags = 0;
  uint16_t size = 0;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> EncodePadp(const PadpPacket& packet);
// None, with `problem` filled, unless the bytes are one PADP packet.
std::optional<PadpPacket> DecodePadp(std::span<const uint8_t> bytes, std::string& problem);

// A message as its data fragments, first and last flagged.
std::vector<PadpPacket> Fragments(std::span<const uint8_t> message);

// A message put back together from its fragments, in order; a fragment out
// of place makes the message malformed.
class PadpAssembler {
 public:
  enum class Result { kMore, kWhole, kMalformed };
  Result Accept(const PadpPacket& fragment);
  // The whole message, once Accept said so; the assembler starts over.
  std::vector<uint8_t> Take();

 private:
  std::vector<uint8_t> message_;
  size_t expected_ = 0;
  bool started_ = false;
};

}  // namespace oq::serial
