#include "dlp_packet.h"

#include "byte_codec.h"

namespace oq::dlp {

const Argument* Response::Find(uint8_t id) const {
  for (const auto& argument : arguments) {
    if (argument.id == id) return &argument;
  }
  return nullptr;
}

std::vector<uint8_t> EncodeRequest(const Request& request) {
  std::vector<uint8_t> out;
  bytes::AppendU8(out, request.command);
  bytes::AppendU8(out, static_cast<uint8_t>(request.arguments.size()));
  for (const auto& argument : request.arguments) {
    const size_t length = argument.data.size();
    if (length <= kTinyArgumentMax) {
      bytes::AppendU8(out, argument.id);
      bytes::AppendU8(out, static_cast<uint8_t>(length));
    } else if (length <= kShortArgumentMax) {
      bytes::AppendU8(out, argument.id | kShortArgumentFlag);
      bytes::AppendU8(out, 0);
      bytes::AppendU16Be(out, static_cast<uint16_t>(length));
    } else {
      bytes::AppendU8(out, argument.id | kLongArgumentFlag);
      bytes::AppendU8(out, 0);
      bytes::AppendU32Be(out, static_cast<uint32_t>(length));
    }
    bytes::AppendBytes(out, argument.data);
  }
  return out;
}

std::optional<Response> DecodeResponse(std::span<const uint8_t> bytes, std::string& problem) {
  bytes::ByteReader reader(bytes);
  Response response;
  const uint8_t command = reader.U8(kCommandOffset);
  const uint8_t count = reader.U8(kArgumentCountOffset);
  response.error = reader.U16Be(kResponseErrorOffset);
  if (!reader.ok()) {
    problem = "a response of " + std::to_string(bytes.size()) + " bytes, shorter than its header";
    return std::nullopt;
  }
  if ((command & kResponseFlag) == 0) {
    problem = "a request where a response was due";
    return std::nullopt;
  }
  response.command = command & static_cast<uint8_t>(~kResponseFlag);
  size_t offset = kResponseArgumentsOffset;
  for (uint8_t i = 0; i < count; ++i) {
    const uint8_t first = reader.U8(offset);
    size_t length = 0;
    size_t header = 0;
    if (first & kLongArgumentFlag) {
      length = reader.U32Be(offset + 2);
      header = kLongArgumentHeader;
    } else if (first & kShortArgumentFlag) {
      length = reader.U16Be(offset + 2);
      header = kShortArgumentHeader;
    } else {
      length = reader.U8(offset + 1);
      header = kTinyArgumentHeader;
    }
    const auto data =
        reader.Has(offset + header, length) ? reader.Bytes(offset + header, length) : std::span<const uint8_t>{};
    if (!reader.ok()) {
      problem = "argument " + std::to_string(i + 1) + " of " + std::to_string(count) + " runs past the response's end";
      return std::nullopt;
    }
    response.arguments.push_back({static_cast<uint8_t>(first & kArgumentIdMask), {data.begin(), data.end()}});
    offset += header + length;
  }
  if (offset != bytes.size()) {
    problem = std::to_string(bytes.size() - offset) + " bytes after the response's last argument";
    return std::nullopt;
  }
  return response;
}

}  // namespace oq::dlp
