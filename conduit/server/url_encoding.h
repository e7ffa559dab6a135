// Percent-encoding of the values in the query string: letters and digits
// stay, every other byte becomes "%XY" in upper-case hexadecimal (a blank
// is %20, never a plus sign). Bytes are taken as stored, unconverted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace oq {

void UrlEncode(const char* value, std::string& text);
// The same, appended to `text`.
void AppendUrlEncoded(std::string_view value, std::string& text);

// 0-9 give "0"-"9", 10-15 give "A"-"F", anything larger "0".
char HexDigit(uint8_t nibble);

}  // namespace oq
