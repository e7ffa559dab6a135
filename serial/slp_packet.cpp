#include "slp_packet.h"

#include <algorithm>

#include "byte_codec.h"

namespace oq::serial {

namespace {

uint8_t HeaderChecksum(std::span<const uint8_t> header) {
  unsigned sum = 0;
  for (size_t i = 0; i < kChecksumOffset; ++i) sum += header[i];
  return static_cast<uint8_t>(sum);
}

}  // namespace

uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc) {
  for (const uint8_t byte : bytes) {
    crc = static_cast<uint16_t>(crc ^ (byte << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

std::vector<uint8_t> EncodeSlp(const SlpPacket& packet) {
  std::vector<uint8_t> out(kHeaderLength + packet.body.size() + kCrcLength);
  bytes::ByteWriter writer(out);
  writer.Bytes(0, kPreamble);
  writer.U8(kDestinationOffset, packet.destination);
  writer.U8(kSourceOffset, packet.source);
  writer.U8(kTypeOffset, packet.type);
  writer.U16Be(kBodySizeOffset, static_cast<uint16_t>(packet.body.size()));
  writer.U8(kTransactionOffset, packet.transaction);
  writer.U8(kChecksumOffset, HeaderChecksum(out));
  writer.Bytes(kHeaderLength, packet.body);
  const size_t crcOffset = kHeaderLength + packet.body.size();
  writer.U16Be(crcOffset, Crc16(std::span(out).first(crcOffset)));
  return out;
}

void SlpReader::Feed(std::span<const uint8_t> bytes) { pending_.insert(pending_.end(), bytes.begin(), bytes.end()); }

std::optional<SlpPacket> SlpReader::Next() {
  for (;;) {
    // Up to the next preamble; a partial one at the end may yet complete.
    const auto start = std::search(pending_.begin(), pending_.end(), std::begin(kPreamble), std::end(kPreamble));
    const size_t skip = static_cast<size_t>(start - pending_.begin());
    const size_t keep = start == pending_.end() ? std::min<size_t>(pending_.size(), sizeof kPreamble - 1) : 0;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(skip - keep));
    if (pending_.size() < kHeaderLength) return std::nullopt;
    bytes::ByteReader reader(pending_);
    if (reader.U8(kChecksumOffset) != HeaderChecksum(pending_)) {
      // Not a header after all: look for the next preamble past this one.
      ++dropped_;
      pending_.erase(pending_.begin());
      continue;
    }
    const size_t size = reader.U16Be(kBodySizeOffset);
    const size_t whole = kHeaderLength + size + kCrcLength;
    if (pending_.size() < whole) return std::nullopt;
    const uint16_t crc = reader.U16Be(kHeaderLength + size);
    if (crc != Crc16(std::span(pending_).first(kHeaderLength + size))) {
      ++dropped_;
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(whole));
      continue;
    }
    SlpPacket packet;
    packet.destination = reader.U8(kDestinationOffset);
    packet.source = reader.U8(kSourceOffset);
    packet.type = reader.U8(kTypeOffset);
    packet.transaction = reader.U8(kTransactionOffset);
    packet.body.assign(pending_.begin() + kHeaderLength,
                       pending_.begin() + static_cast<std::ptrdiff_t>(kHeaderLength + size));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(whole));
    return packet;
  }
}

}  // namespace oq::serial
