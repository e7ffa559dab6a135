#include "cmp_packet.h"

#include "byte_codec.h"

namespace oq::serial {

std::vector<uint8_t> EncodeCmp(const CmpPacket& packet) {
  std::vector<uint8_t> out(kCmpLength, 0);
  bytes::ByteWriter writer(out);
  writer.U8(kCmpTypeOffset, packet.type);
  writer.U8(kCmpFlagsOffset, packet.flags);
  writer.U8(kCmpMajorOffset, packet.major);
  writer.U8(kCmpMinorOffset, packet.minor);
  writer.U32Be(kCmpRateOffset, packet.rate);
  return out;
}

std::optional<CmpPacket> DecodeCmp(std::span<const uint8_t> bytes, std::string& problem) {
  if (bytes.size() != kCmpLength) {
    problem = "a CMP packet of " + std::to_string(bytes.size()) + " bytes, not " + std::to_string(kCmpLength);
    return std::nullopt;
  }
  bytes::ByteReader reader(bytes);
  CmpPacket packet;
  packet.type = reader.U8(kCmpTypeOffset);
  packet.flags = reader.U8(kCmpFlagsOffset);
  packet.major = reader.U8(kCmpMajorOffset);
  packet.minor = reader.U8(kCmpMinorOffset);
  packet.rate = reader.U32Be(kCmpRateOffset);
  if (packet.type != kCmpWakeUp && packet.type != kCmpInit && packet.type != kCmpAbort) {
    problem = "CMP packet type " + std::to_string(packet.type);
    return std::nullopt;
  }
  return packet;
}

CmpPacket InitFor(const CmpPacket& wakeUp, std::span<const uint32_t> rates, bool stay) {
  uint32_t chosen = kStartingRate;
  if (!stay) {
    for (const uint32_t rate : rates) {
      if (rate <= wakeUp.rate && rate > chosen) chosen = rate;
    }
  }
  CmpPacket init;
  init.type = kCmpInit;
  init.flags = chosen != kStartingRate ? kCmpChangeRate : 0;
  init.major = wakeUp.major;
  init.minor = wakeUp.minor;
  init.rate = chosen;
  return init;
}

}  // namespace oq::serial
