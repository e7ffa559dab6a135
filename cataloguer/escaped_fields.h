// Lines of tab-separated fields for the desktop's own text files, which
// hold the handheld's bytes: the backslash, tabs, line ends and other
// control bytes in a field are written \xHH, so any name fits one field.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oq::cataloguer {

inline constexpr char kFieldSeparator = '\t';

std::string EscapedField(std::string_view text);
// None when the field holds a malformed escape.
std::optional<std::string> UnescapedField(std::string_view field);

// A decimal number of at most `maximum`; none for anything else.
std::optional<uint32_t> NumberField(std::string_view field, uint32_t maximum);

// The fields of one line, as written.
std::vector<std::string_view> SplitFields(std::string_view line);

// Each line of `text` that is not blank or a comment (#).
std::vector<std::string_view> DataLines(std::string_view text);

}  // namespace oq::cataloguer
