#include "known_handheld.h"

#include <vector>

#include "escaped_fields.h"

namespace oq::cataloguer {

namespace {

constexpr std::string_view kFormatLine = "# OrbitQuail known programs 1\n";
constexpr size_t kFieldCount = 8;

}  // namespace

KnownPrograms KnownPrograms::Parse(std::string_view text) {
  KnownPrograms known;
  if (text.substr(0, kFormatLine.size()) != kFormatLine) return known;
  for (const auto line : DataLines(text)) {
    const auto fields = SplitFields(line);
    if (fields.size() != kFieldCount) continue;
    const auto name = UnescapedField(fields[0]);
    const auto type = NumberField(fields[1], UINT32_MAX);
    const auto creator = NumberField(fields[2], UINT32_MAX);
    const auto version = NumberField(fields[3], UINT16_MAX);
    const auto number = NumberField(fields[4], UINT32_MAX);
    const auto modified = NumberField(fields[5], UINT32_MAX);
    auto altName = UnescapedField(fields[6]);
    auto installed = UnescapedField(fields[7]);
    if (!name || !type || !creator || !version || !number || !modified || !altName || !installed) continue;
    const DatabaseStamp stamp{*type, *creator, static_cast<uint16_t>(*version), *number, *modified};
    known.programs_[*name] = {stamp, std::move(*altName), std::move(*installed)};
  }
  return known;
}

std::string KnownPrograms::Serialize() const {
  std::string text(kFormatLine);
  for (const auto& [name, program] : programs_) {
    const auto& stamp = program.stamp;
    const std::vector<std::string> fields = {EscapedField(name),
                                             std::to_string(stamp.type),
                                             std::to_string(stamp.creator),
                                             std::to_string(stamp.version),
                                             std::to_string(stamp.modificationNumber),
                                             std::to_string(stamp.modified),
                                             EscapedField(program.altName),
                                             EscapedField(program.installedVersion)};
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) text += kFieldSeparator;
      text += fields[i];
    }
    text += '\n';
  }
  return text;
}

const KnownProgram* KnownPrograms::Find(const std::string& name, const DatabaseStamp& stamp) const {
  const auto found = programs_.find(name);
  return found != programs_.end() && found->second.stamp == stamp ? &found->second : nullptr;
}

void KnownPrograms::KeepOnly(const std::set<std::string>& names) {
  std::erase_if(programs_, [&](const auto& entry) { return names.count(entry.first) == 0; });
}

DatabaseStamp StampOf(const palm::Database& copy) {
  return {palm::FourCCValue(copy.type), palm::FourCCValue(copy.creator), copy.version, copy.modificationNumber,
          copy.modificationDate};
}

void Stamp(palm::Database& copy, const DatabaseStamp& stamp) {
  copy.type = palm::FourCCFromValue(stamp.type);
  copy.creator = palm::FourCCFromValue(stamp.creator);
  copy.version = stamp.version;
  copy.modificationNumber = stamp.modificationNumber;
  copy.modificationDate = stamp.modified;
}

}  // namespace oq::cataloguer
