// DLP requests and responses, as they travel inside a transport's packets.
//
// Request:   0 command, 1 argument count, 2 arguments...
// Response:  0 command | 0x80, 1 argument count, 2 error code (16 bits),
//            4 arguments...
// Argument, by the high bits of its first byte:
//   tiny  (00): 0 id, 1 length (8 bits), 2 data
//   short (10): 0 id | 0x80, 1 zero, 2 length (16 bits), 4 data
//   long  (01): 0 id | 0x40, 1 zero, 2 length (32 bits), 6 data
// Ids start at 0x20; a command that has variants tells them apart by the id
// of its one argument. All numbers are big-endian.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oq::dlp {

inline constexpr size_t kCommandOffset = 0;
inline constexpr size_t kArgumentCountOffset = 1;
inline constexpr size_t kRequestArgumentsOffset = 2;
inline constexpr size_t kResponseErrorOffset = 2;
inline constexpr size_t kResponseArgumentsOffset = 4;
inline constexpr uint8_t kResponseFlag = 0x80;

inline constexpr uint8_t kFirstArgumentId = 0x20;
inline constexpr uint8_t kArgumentIdMask = 0x3F;
inline constexpr uint8_t kShortArgumentFlag = 0x80;
inline constexpr uint8_t kLongArgumentFlag = 0x40;
inline constexpr size_t kTinyArgumentHeader = 2;
inline constexpr size_t kShortArgumentHeader = 4;
inline constexpr size_t kLongArgumentHeader = 6;
inline constexpr size_t kTinyArgumentMax = 0xFF;
inline constexpr size_t kShortArgumentMax = 0xFFFF;

struct Argument {
  uint8_t id = kFirstArgumentId;
  std::vector<uint8_t> data;
};

struct Request {
  uint8_t command = 0;
  std::vector<Argument> arguments;
};

struct Response {
  uint8_t command = 0;  // without the response flag
  uint16_t error = 0;
  std::vector<Argument> arguments;

  // The argument with that id; none when the handheld left it out.
  const Argument* Find(uint8_t id) const;
};

// Each argument in the smallest header its length allows.
std::vector<uint8_t> EncodeRequest(const Request& request);

// None, with `problem` filled, unless the bytes are exactly one response.
std::optional<Response> DecodeResponse(std::span<const uint8_t> bytes, std::string& problem);

}  // namespace oq::dlp
