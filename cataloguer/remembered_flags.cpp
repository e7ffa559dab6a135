#include "remembered_flags.h"

#include <algorithm>

#include "byte_codec.h"
#include "escaped_fields.h"
#include "program_record.h"

namespace oq::cataloguer {

namespace {

namespace layout = program_record;

constexpr std::string_view kHeading =
    "# creator\tname\tskip\texclude (OrbitQuail: flags kept for returning programs)\n";

}  // namespace

RememberedFlags RememberedFlags::Parse(std::string_view text) {
  RememberedFlags remembered;
  for (const auto line : DataLines(text)) {
    const auto fields = SplitFields(line);
    if (fields.size() != 4) continue;
    const auto creator = UnescapedField(fields[0]);
    const auto name = UnescapedField(fields[1]);
    const auto skip = NumberField(fields[2], 0xFF);
    const auto exclude = NumberField(fields[3], 0xFF);
    if (!creator || creator->size() != layout::kCodeLength || !name || !skip || !exclude) continue;
    const ProgramFlags flags{static_cast<uint8_t>(*skip), static_cast<uint8_t>(*exclude)};
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
    text += EscapedField({reinterpret_cast<const char*>(creator.data()), creator.size()});
    text += kFieldSeparator;
    text += EscapedField(name);
    text += kFieldSeparator;
    text += std::to_string(flags.skip);
    text += kFieldSeparator;
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
