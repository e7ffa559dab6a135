// The Serial Link Protocol, the lowest layer of a serial HotSync (a cradle,
// a USB-serial adapter, an emulator's redirected port):
//
//   0 preamble BE EF ED, 3 destination socket, 4 source socket, 5 type,
//   6 body size (16 bits), 8 transaction id, 9 header checksum (bytes 0-8
//   summed, modulo 256), 10 body, then a CRC-16 over header and body.
//
// Numbers are big-endian. The CRC is CRC-CCITT (polynomial 0x1021, initial
// value 0, bits not reflected). SLP delivers nothing reliably: a packet
// whose checksum or CRC is wrong is dropped, and PADP above it resends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace oq::serial {

inline constexpr uint8_t kPreamble[] = {0xBE, 0xEF, 0xED};
inline constexpr size_t kDestinationOffset = 3;
inline constexpr size_t kSourceOffset = 4;
inline constexpr size_t kTypeOffset = 5;
inline constexpr size_t kBodySizeOffset = 6;
inline constexpr size_t kTransactionOffset = 8;
inline constexpr size_t kChecksumOffset = 9;
inline constexpr size_t kHeaderLength = 10;
inline constexpr size_t kCrcLength = 2;

inline constexpr uint8_t kDlpSocket = 3;  // both ends of a HotSync
inline constexpr uint8_t kPadpType = 2;
inline constexpr uint8_t kLoopbackType = 3;

struct SlpPacket {
  uint8_t destination = kDlpSocket;
  uint8_t source = kDlpSocket;
  uint8_t type = kPadpType;
  uint8_t transaction = 0;
  std::vector<uint8_t> body;
};

uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc = 0);

std::vector<uint8_t> EncodeSlp(const SlpPacket& packet);

// Whole packets out of the bytes of a line as they come: bytes before a
// preamble are passed over, and a packet whose checksum or CRC is wrong is
// dropped and counted.
class SlpReader {
 public:
  void Feed(std::span<const uint8_t> bytes);
  // The next whole packet, if the bytes fed so far hold one.
  std::optional<SlpPacket> Next();
  size_t dropped() const { return dropped_; }

 private:
  std::vector<uint8_t> pending_;
  size_t dropped_ = 0;
};

}  // namespace oq::serial
