#include "remembered_flags.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "byte_codec.h"
#include "program_record.h"

namespace oq::cataloguer {

namespace {

namespace layout = program_record;

constexpr char kSeparator = '\t';
constexpr std::string_view kHeading = "# creator\tname\tskip\texclude (OrbitQuail: flags kept for returning programs)\n";

bool NeedsEscape(unsigned char byte) { return byte < 0x20 || byte == 0x7F || byte == '\\'; }

std::string Escaped(std::string_view text) {
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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return std::nullopt;
    const int high = HexDigit(text[i + 2]), low = HexDigit(text[i + 3]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return out;
}

std::optional<uint8_t> FlagByte(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 0xFF) return std::nullopt;
  return static_cast<uint8_t>(value);
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t end = line.find(kSeparator, start);
    fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

}  // namespace

RememberedFlags RememberedFlags::Parse(std::string_view text) {
  RememberedFlags remembered;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    const auto fields = Fields(line);
    if (fields.size() != 4) continue;
    const auto creator = Unescaped(fields[0]);
    const auto name = Unescaped(fields[1]);
    const auto skip = FlagByte(fields[2]);
    const auto exclude = FlagByte(fields[3]);
    if (!creator || creator->size() != layout::kCodeLength || !name || !skip || !exclude) continue;
    const ProgramFlags flags{*skip, *exclude};
    palm::FourCC code{};
    std::copy(creator->begin(), creator->end(), code.begin());
    if (flags.Any()) remembered.flags_[{code, *name}] = flags;
  }
  return remembered;
}

std::string RememberedFlags::Serialize() const {
  std::string text(kHeading);
  for (const auto& [key, flags] : flags_) {
    const auto& [creator, name] = key;
    text += Escaped({reinterpret_cast<const char*>(creator.data()), creator.size()});
    text += kSeparator;
    text += Escaped(name);
    text += kSeparator;
    text += std::to_string(flags.skip);
    text += kSeparator;
    text += std::to_string(flags.exclude);
    text += '\n';
  }
  return text;
}

std::optional<ProgramFlags> RememberedFlags::Find(const palm::FourCC& creator, const std::string& name) const {
  const auto found = flags_.find({creator, name});
  if (found == flags_.end()) return std::nullopt;
  return found->second;
}

void RememberedFlags::Remember(const palm::Database& catalogue) {
  for (const auto& record : catalogue.records) {
    bytes::ByteReader reader(record.data);
    palm::FourCC creator{};
    const auto code = reader.Bytes(layout::kCreatorCodeOffset, layout::kCodeLength);
    if (code.size() != creator.size()) continue;
    std::copy(code.begin(), code.end(), creator.begin());
    const std::string name = reader.Text(layout::kProgramNameOffset, layout::kProgramNameLength);
    const ProgramFlags flags{reader.U8(layout::kSkipFlagOffset), reader.U8(layout::kExcludeFlagOffset)};
    if (flags.Any()) {
      flags_[{creator, name}] = flags;
    } else {
      flags_.erase({creator, name});
    }
  }
}

}  // namespace oq::cataloguer
