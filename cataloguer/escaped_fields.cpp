#include "escaped_fields.h"

#include <cstdio>

namespace oq::cataloguer {

namespace {

bool NeedsEscape(unsigned char byte) { return byte < 0x20 || byte == 0x7F || byte == '\\'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EscapedField(std::string_view text) {
  std::string out;
  for (const unsigned char byte : text) {
    if (!NeedsEscape(byte)) {
      out += static_cast<char>(byte);
      continue;
    }
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
  }
  return out;
}

std::optional<std::string> UnescapedField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (i + 3 >= field.size() || field[i + 1] != 'x') return std::nullopt;
    const int high = HexDigit(field[i + 2]), low = HexDigit(field[i + 3]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return out;
}

std::optional<uint32_t> NumberField(std::string_view field, uint32_t maximum) {
  if (field.empty() || field.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > maximum) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t end = line.find(kFieldSeparator, start);
    fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

std::vector<std::string_view> DataLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.front() != '#') lines.push_back(line);
  }
  return lines;
}

}  // namespace oq::cataloguer
