#include "padp_packet.h"

#include <algorithm>
#include <utility>

#include "byte_codec.h"

namespace oq::serial {

std::vector<uint8_t> EncodePadp(const PadpPacket& packet) {
  std::vector<uint8_t> out(kPadpHeaderLength + packet.data.size());
  bytes::ByteWriter writer(out);
  writer.U8(kPadpTypeOffset, packet.type);
  writer.U8(kPadpFlagsOffset, packet.flags);
  writer.U16Be(kPadpSizeOffset, packet.size);
  writer.Bytes(kPadpHeaderLength, packet.data);
  return out;
}

std::optional<PadpPacket> DecodePadp(std::span<const uint8_t> bytes, std::string& problem) {
  bytes::ByteReader reader(bytes);
  PadpPacket packet;
  packet.type = reader.U8(kPadpTypeOffset);
  packet.flags = reader.U8(kPadpFlagsOffset);
  packet.size = reader.U16Be(kPadpSizeOffset);
  if (!reader.ok()) {
    problem = "a PADP packet of " + std::to_string(bytes.size()) + " bytes, shorter than its header";
    return std::nullopt;
  }
  if (packet.type != kPadpData && packet.type != kPadpAck && packet.type != kPadpTickle && packet.type != kPadpAbort) {
    problem = "PADP packet type " + std::to_string(packet.type);
    return std::nullopt;
  }
  if (bytes.size() - kPadpHeaderLength > kMaxFragment) {
    problem = "a PADP fragment of " + std::to_string(bytes.size() - kPadpHeaderLength) + " bytes";
    return std::nullopt;
  }
  packet.data.assign(bytes.begin() + kPadpHeaderLength, bytes.end());
  return packet;
}

std::vector<PadpPacket> Fragments(std::span<const uint8_t> message) {
  std::vector<PadpPacket> fragments;
  size_t offset = 0;
  do {
    const size_t length = std::min(kMaxFragment, message.size() - offset);
    PadpPacket fragment;
    fragment.flags =
        static_cast<uint8_t>((offset == 0 ? kPadpFirst : 0) | (offset + length == message.size() ? kPadpLast : 0));
    fragment.size = static_cast<uint16_t>(offset == 0 ? message.size() : offset);
    fragment.data.assign(message.begin() + static_cast<std::ptrdiff_t>(offset),
                         message.begin() + static_cast<std::ptrdiff_t>(offset + length));
    fragments.push_back(std::move(fragment));
    offset += length;
  } while (offset < message.size());
  return fragments;
}

PadpAssembler::Result PadpAssembler::Accept(const PadpPacket& fragment) {
  if (fragment.type != kPadpData) return Result::kMalformed;
  if (fragment.flags & kPadpFirst) {
    message_.clear();
    expected_ = fragment.size;
    started_ = true;
  } else if (!started_ || fragment.size != message_.size()) {
    return Result::kMalformed;
  }
  if (message_.size() + fragment.data.size() > expected_) return Result::kMalformed;
  message_.insert(message_.end(), fragment.data.begin(), fragment.data.end());
  if (!(fragment.flags & kPadpLast)) return Result::kMore;
  return message_.size() == expected_ ? Result::kWhole : Result::kMalformed;
}

std::vector<uint8_t> PadpAssembler::Take() {
  started_ = false;
  expected_ = 0;
  return std::exchange(message_, {});
}

}  // namespace oq::serial
