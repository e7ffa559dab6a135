#include "palm_database.h"

#include <algorithm>
#include <cstring>

#include "byte_codec.h"

namespace oq::palm {

using bytes::ByteReader;

FourCC FourCCFromText(const char* text) {
  FourCC code{};
  for (size_t i = 0; i < code.size() && text[i] != '\0'; ++i) code[i] = static_cast<uint8_t>(text[i]);
  return code;
}

uint32_t FourCCValue(const FourCC& code) {
  return uint32_t{code[0]} << 24 | uint32_t{code[1]} << 16 | uint32_t{code[2]} << 8 | code[3];
}

FourCC FourCCFromValue(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value)};
}

std::string FourCCText(const FourCC& code) { return std::string(code.begin(), code.end()); }

std::string Database::Name() const {
  auto end = std::find(name.begin(), name.end(), uint8_t{0});
  return std::string(name.begin(), end);
}

void Database::SetName(const std::string& text) {
  name.fill(0);
  // The last byte stays the terminator.
  std::copy_n(text.begin(), std::min(text.size(), name.size() - 1), name.begin());
}

const char* Describe(ParseError error) {
  switch (error) {
    case ParseError::kNone: return "no error";
    case ParseError::kTooShort: return "file shorter than its header";
    case ParseError::kBadRecordList: return "record list runs past the end of the file";
    case ParseError::kBadOffsets: return "block offsets out of order or outside the file";
    case ParseError::kChainedRecordList: return "chained record lists are not supported";
  }
  return "unknown error";
}

namespace {

FourCC ReadFourCC(ByteReader& reader, size_t offset) {
  FourCC code{};
  auto field = reader.Bytes(offset, code.size());
  std::copy(field.begin(), field.end(), code.begin());
  return code;
}

// The header's own fields; the block offsets and the record list are the
// caller's.
Database ReadHeader(ByteReader& reader) {
  Database db;
  auto name = reader.Bytes(kHeaderNameOffset, kHeaderNameLength);
  std::copy(name.begin(), name.end(), db.name.begin());
  db.attributes = reader.U16Be(kHeaderAttributesOffset);
  db.version = reader.U16Be(kHeaderVersionOffset);
  db.creationDate = reader.U32Be(kHeaderCreationDateOffset);
  db.modificationDate = reader.U32Be(kHeaderModificationDateOffset);
  db.backupDate = reader.U32Be(kHeaderBackupDateOffset);
  db.modificationNumber = reader.U32Be(kHeaderModificationNumberOffset);
  db.type = ReadFourCC(reader, kHeaderTypeOffset);
  db.creator = ReadFourCC(reader, kHeaderCreatorOffset);
  db.uniqueIdSeed = reader.U32Be(kHeaderUniqueIdSeedOffset);
  return db;
}

}  // namespace

std::optional<Database> ParseDatabaseHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeaderLength) return std::nullopt;
  ByteReader reader(bytes);
  return ReadHeader(reader);
}

ParseResult ParseDatabase(std::span<const uint8_t> bytes) {
  ByteReader reader(bytes);
  if (bytes.size() < kHeaderLength) return {std::nullopt, ParseError::kTooShort};

  Database db = ReadHeader(reader);
  const uint32_t appInfoOffset = reader.U32Be(kHeaderAppInfoOffset);
  const uint32_t sortInfoOffset = reader.U32Be(kHeaderSortInfoOffset);
  const uint32_t nextRecordList = reader.U32Be(kHeaderNextRecordListOffset);
  const size_t count = reader.U16Be(kHeaderRecordCountOffset);
  if (nextRecordList != 0) return {std::nullopt, ParseError::kChainedRecordList};

  const size_t entryLength = db.IsResourceDb() ? kResourceEntryLength : kRecordEntryLength;
  const size_t listEnd = kHeaderLength + count * entryLength;
  if (!reader.Has(kHeaderLength, count * entryLength)) return {std::nullopt, ParseError::kBadRecordList};

  // Every block runs from its offset to the next block's offset; the
  // sequence app info, sort info, entries must never go backwards.
  std::vector<size_t> starts;
  if (appInfoOffset != 0) starts.push_back(appInfoOffset);
  if (sortInfoOffset != 0) starts.push_back(sortInfoOffset);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kHeaderLength + i * entryLength;
    starts.push_back(reader.U32Be(entry + (db.IsResourceDb() ? kResourceEntryDataOffset : kRecordEntryDataOffset)));
  }
  starts.push_back(bytes.size());
  for (size_t i = 0; i + 1 < starts.size(); ++i) {
    if (starts[i] < listEnd || starts[i] > starts[i + 1]) return {std::nullopt, ParseError::kBadOffsets};
  }
  auto block = [&](size_t index) {
    auto span = reader.Bytes(starts[index], starts[index + 1] - starts[index]);
    return std::vector<uint8_t>(span.begin(), span.end());
  };

  size_t next = 0;
  if (appInfoOffset != 0) db.appInfo = block(next++);
  if (sortInfoOffset != 0) db.sortInfo = block(next++);
  for (size_t i = 0; i < count; ++i, ++next) {
    const size_t entry = kHeaderLength + i * entryLength;
    if (db.IsResourceDb()) {
      Resource resource;
      resource.type = ReadFourCC(reader, entry + kResourceEntryTypeOffset);
      resource.id = reader.U16Be(entry + kResourceEntryIdOffset);
      resource.data = block(next);
      db.resources.push_back(std::move(resource));
    } else {
      Record record;
      record.attributes = reader.U8(entry + kRecordEntryAttributesOffset);
      record.uniqueId = reader.U24Be(entry + kRecordEntryUniqueIdOffset);
      record.data = block(next);
      db.records.push_back(std::move(record));
    }
  }
  if (!reader.ok()) return {std::nullopt, ParseError::kBadOffsets};
  return {std::move(db), ParseError::kNone};
}

std::vector<uint8_t> SerializeDatabase(const Database& db) {
  using namespace bytes;
  const size_t count = db.IsResourceDb() ? db.resources.size() : db.records.size();
  const size_t entryLength = db.IsResourceDb() ? kResourceEntryLength : kRecordEntryLength;
  const size_t dataStart = kHeaderLength + count * entryLength + kRecordListGapLength;

  uint32_t cursor = static_cast<uint32_t>(dataStart);
  const uint32_t appInfoOffset = db.appInfo ? cursor : 0;
  if (db.appInfo) cursor += static_cast<uint32_t>(db.appInfo->size());
  const uint32_t sortInfoOffset = db.sortInfo ? cursor : 0;
  if (db.sortInfo) cursor += static_cast<uint32_t>(db.sortInfo->size());

  std::vector<uint8_t> out;
  AppendBytes(out, db.name);
  AppendU16Be(out, db.attributes);
  AppendU16Be(out, db.version);
  AppendU32Be(out, db.creationDate);
  AppendU32Be(out, db.modificationDate);
  AppendU32Be(out, db.backupDate);
  AppendU32Be(out, db.modificationNumber);
  AppendU32Be(out, appInfoOffset);
  AppendU32Be(out, sortInfoOffset);
  AppendBytes(out, db.type);
  AppendBytes(out, db.creator);
  AppendU32Be(out, db.uniqueIdSeed);
  AppendU32Be(out, 0);  // no chained record list
  AppendU16Be(out, static_cast<uint16_t>(count));

  if (db.IsResourceDb()) {
    for (const auto& resource : db.resources) {
      AppendBytes(out, resource.type);
      AppendU16Be(out, resource.id);
      AppendU32Be(out, cursor);
      cursor += static_cast<uint32_t>(resource.data.size());
    }
  } else {
    for (const auto& record : db.records) {
      AppendU32Be(out, cursor);
      AppendU8(out, record.attributes);
      AppendU24Be(out, record.uniqueId & kUniqueIdMask);
      cursor += static_cast<uint32_t>(record.data.size());
    }
  }
  AppendU16Be(out, 0);  // the gap
  if (db.appInfo) AppendBytes(out, *db.appInfo);
  if (db.sortInfo) AppendBytes(out, *db.sortInfo);
  if (db.IsResourceDb()) {
    for (const auto& resource : db.resources) AppendBytes(out, resource.data);
  } else {
    for (const auto& record : db.records) AppendBytes(out, record.data);
  }
  return out;
}

}  // namespace oq::palm
