// The standard Palm database file (.pdb records, .prc resources).
//
// Layout, big-endian:
//   header, 78 bytes (offsets below)
//   record list: 8-byte record entries or 10-byte resource entries
//   2-byte gap
//   app-info block, sort-info block, then the record or resource data,
//   each running up to the next block's offset (the last to the file's end)
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oq::palm {

inline constexpr size_t kHeaderLength = 78;
inline constexpr size_t kHeaderNameOffset = 0;
inline constexpr size_t kHeaderNameLength = 32;
inline constexpr size_t kHeaderAttributesOffset = 32;
inline constexpr size_t kHeaderVersionOffset = 34;
inline constexpr size_t kHeaderCreationDateOffset = 36;
inline constexpr size_t kHeaderModificationDateOffset = 40;
inline constexpr size_t kHeaderBackupDateOffset = 44;
inline constexpr size_t kHeaderModificationNumberOffset = 48;
inline constexpr size_t kHeaderAppInfoOffset = 52;
inline constexpr size_t kHeaderSortInfoOffset = 56;
inline constexpr size_t kHeaderTypeOffset = 60;
inline constexpr size_t kHeaderCreatorOffset = 64;
inline constexpr size_t kHeaderUniqueIdSeedOffset = 68;
inline constexpr size_t kHeaderNextRecordListOffset = 72;
inline constexpr size_t kHeaderRecordCountOffset = 76;

inline constexpr size_t kRecordEntryLength = 8;
inline constexpr size_t kRecordEntryDataOffset = 0;
inline constexpr size_t kRecordEntryAttributesOffset = 4;
inline constexpr size_t kRecordEntryUniqueIdOffset = 5;

inline constexpr size_t kResourceEntryLength = 10;
inline constexpr size_t kResourceEntryTypeOffset = 0;
inline constexpr size_t kResourceEntryIdOffset = 4;
inline constexpr size_t kResourceEntryDataOffset = 6;

inline constexpr size_t kRecordListGapLength = 2;

// Database attribute: the file holds resources, not records.
inline constexpr uint16_t kAttributeResourceDb = 0x0001;

// Record attributes (high nibble) and category (low nibble) share one byte.
inline constexpr uint8_t kRecordDeleted = 0x80;
inline constexpr uint8_t kRecordDirty = 0x40;
inline constexpr uint8_t kRecordBusy = 0x20;
inline constexpr uint8_t kRecordSecret = 0x10;
inline constexpr uint8_t kRecordCategoryMask = 0x0F;

// Unique ids are 24 bits.
inline constexpr uint32_t kUniqueIdMask = 0xFFFFFF;

using FourCC = std::array<uint8_t, 4>;
FourCC FourCCFromText(const char* text);   // first four bytes, NUL-padded
uint32_t FourCCValue(const FourCC& code);  // first byte most significant
FourCC FourCCFromValue(uint32_t value);    // the same, back
std::string FourCCText(const FourCC& code);

struct Record {
  uint8_t attributes = 0;  // with the category in the low nibble
  uint32_t uniqueId = 0;
  std::vector<uint8_t> data;
};

struct Resource {
  FourCC type{};
  uint16_t id = 0;
  std::vector<uint8_t> data;
};

struct Database {
  std::array<uint8_t, kHeaderNameLength> name{};
  uint16_t attributes = 0;
  uint16_t version = 0;
  uint32_t creationDate = 0;
  uint32_t modificationDate = 0;
  uint32_t backupDate = 0;
  uint32_t modificationNumber = 0;
  FourCC type{};
  FourCC creator{};
  uint32_t uniqueIdSeed = 0;
  std::optional<std::vector<uint8_t>> appInfo;
  std::optional<std::vector<uint8_t>> sortInfo;
  std::vector<Record> records;      // record databases
  std::vector<Resource> resources;  // resource databases

  bool IsResourceDb() const { return (attributes & kAttributeResourceDb) != 0; }
  std::string Name() const;  // up to the first NUL
  void SetName(const std::string& text);
};

enum class ParseError { kNone, kTooShort, kBadRecordList, kBadOffsets, kChainedRecordList };
const char* Describe(ParseError error);

struct ParseResult {
  std::optional<Database> database;
  ParseError error = ParseError::kNone;
};

// Never reads outside `bytes`; any inconsistency is an error, not a guess.
ParseResult ParseDatabase(std::span<const uint8_t> bytes);

// The header's fields alone (no blocks, no records), from the first
// kHeaderLength bytes: for listing databases without reading them whole.
std::optional<Database> ParseDatabaseHeader(std::span<const uint8_t> bytes);

std::vector<uint8_t> SerializeDatabase(const Database& database);

}  // namespace oq::palm
