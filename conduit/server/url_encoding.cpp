#include "url_encoding.h"

namespace oq {

namespace {
bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
}  // namespace

char HexDigit(uint8_t nibble) {
  if (nibble <= 9) return static_cast<char>('0' + nibble);
  if (nibble <= 15) return static_cast<char>('A' + nibble - 10);
  return '0';
}

void UrlEncode(const char* value, std::string& text) {
  text.clear();
  AppendUrlEncoded(value, text);
}

void AppendUrlEncoded(std::string_view value, std::string& text) {
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      text += c;
    } else {
      const char escaped[] = {'%', HexDigit(static_cast<uint8_t>(byte >> 4)),
                              HexDigit(static_cast<uint8_t>(byte & 0x0F))};
      text.append(escaped, sizeof escaped);
    }
  }
}

}  // namespace oq
