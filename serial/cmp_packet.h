// The Connection Management Protocol, a serial HotSync's first exchange,
// carried as one PADP message: the handheld's wake-up names the fastest
// rate it can go; the desktop's init answers with the rate both then use.
//
//   0 type, 1 flags, 2 major version, 3 minor version, 4 reserved (16
//   bits), 6 rate in bits per second (32 bits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oq::serial {

inline constexpr size_t kCmpTypeOffset = 0;
inline constexpr size_t kCmpFlagsOffset = 1;
inline constexpr size_t kCmpMajorOffset = 2;
inline constexpr size_t kCmpMinorOffset = 3;
inline constexpr size_t kCmpRateOffset = 6;
inline constexpr size_t kCmpLength = 10;

inline constexpr uint8_t kCmpWakeUp = 1;
inline constexpr uint8_t kCmpInit = 2;
inline constexpr uint8_t kCmpAbort = 3;

inline constexpr uint8_t kCmpChangeRate = 0x80;       // init: switch to the rate it names
inline constexpr uint8_t kCmpVersionMismatch = 0x80;  // abort: the versions do not go together

// Every line starts at this rate, and a HotSync that does not change rate
// stays at it.
inline constexpr uint32_t kStartingRate = 9600;

struct CmpPacket {
  uint8_t type = kCmpInit;
  uint8_t flags = 0;
  uint8_t major = 1;
  uint8_t minor = 1;
  uint32_t rate = 0;
};

std::vector<uint8_t> EncodeCmp(const CmpPacket& packet);
// None, with `problem` filled, unless the bytes are one CMP packet.
std::optional<CmpPacket> DecodeCmp(std::span<const uint8_t> bytes, std::string& problem);

// The init that answers `wakeUp` on a line that can go at `rates`: the
// fastest rate both can, or kStartingRate when `stay` asks for it or none
// faster is shared.
CmpPacket InitFor(const CmpPacket& wakeUp, std::span<const uint32_t> rates, bool stay);

}  // namespace oq::serial
