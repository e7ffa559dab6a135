#include "program_records.h"

#include <algorithm>

#include "byte_codec.h"
#include "program_record.h"
#include "tracker_preference_layout.h"

namespace oq::test {

namespace {
void PutText(bytes::ByteWriter& writer, size_t offset, const std::string& text, size_t width, bool terminate) {
  const size_t length = std::min(text.size(), terminate ? width - 1 : width);
  writer.Fill(offset, width, 0);
  writer.Bytes(offset, {reinterpret_cast<const uint8_t*>(text.data()), length});
}
}  // namespace

std::vector<uint8_t> MakeProgramRecord(const ProgramFields& fields, size_t length, uint8_t fill) {
  namespace layout = program_record;
  if (length == 0) length = layout::kWrittenLengthBase + fields.message.size();
  std::vector<uint8_t> record(std::max(length, layout::kWrittenLengthBase), fill);
  bytes::ByteWriter writer(record);
  PutText(writer, layout::kTypeCodeOffset, fields.type, layout::kCodeLength, false);
  PutText(writer, layout::kCreatorCodeOffset, fields.creator, layout::kCodeLength, false);
  PutText(writer, layout::kProgramNameOffset, fields.name, layout::kProgramNameLength, true);
  PutText(writer, layout::kAltNameOffset, fields.altName, layout::kAltNameLength, true);
  PutText(writer, layout::kInstalledVersionOffset, fields.installedVersion, layout::kVersionLength, true);
  writer.U8(layout::kSkipFlagOffset, fields.skipFlag);
  writer.U8(layout::kExcludeFlagOffset, fields.excludeFlag);
  const size_t room = record.size() - layout::kProgramMessageOffset;
  PutText(writer, layout::kProgramMessageOffset, fields.message, room, true);
  record.resize(length);
  return record;
}

std::vector<uint8_t> MakeTrackerPreference(uint8_t useSkipFlag, const std::string& message) {
  namespace layout = tracker_preference;
  std::vector<uint8_t> preference(layout::kSize);
  for (size_t i = 0; i < preference.size(); ++i) preference[i] = static_cast<uint8_t>(0x30 + i * 7);
  bytes::ByteWriter writer(preference);
  writer.U8(layout::kUseSkipFlagOffset, useSkipFlag);
  PutText(writer, layout::kServerMessageOffset, message, layout::kServerMessageLength, true);
  return preference;
}

std::string FieldText(const std::vector<uint8_t>& bytes, size_t offset, size_t width) {
  std::string text;
  for (size_t i = offset; i < offset + width && i < bytes.size() && bytes[i] != 0; ++i) {
    text += static_cast<char>(bytes[i]);
  }
  return text;
}

}  // namespace oq::test
