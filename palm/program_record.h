// ProgramRecord: one record of the catalogue database OQProgDB, as the
// handheld program writes it. Offsets in bytes:
//
//   0   4   typeCode          four characters, no terminator
//   4   4   creatorCode       four characters, no terminator
//   8   32  programName       NUL-terminated
//   40  32  altName           NUL-terminated
//   72  12  installedVersion  NUL-terminated
//   84  12  latestVersion     set from an Okay reply, zero-padded
//   96  4   (handheld program's)
//   100 4   releaseDate       yearByte, month, day, spare
//   104 4   (handheld program's)
//   108 1   skipFlag
//   109 1   excludeFlag
//   110 ..  programMessage    NUL-terminated, to the end of the record
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "byte_codec.h"

namespace oq::program_record {

inline constexpr size_t kSlotSize = 368;
inline constexpr size_t kTypeCodeOffset = 0;
inline constexpr size_t kCreatorCodeOffset = 4;
inline constexpr size_t kCodeLength = 4;
inline constexpr size_t kProgramNameOffset = 8;
inline constexpr size_t kProgramNameLength = 32;
inline constexpr size_t kAltNameOffset = 40;
inline constexpr size_t kAltNameLength = 32;
inline constexpr size_t kInstalledVersionOffset = 72;
inline constexpr size_t kLatestVersionOffset = 84;
inline constexpr size_t kVersionLength = 12;
inline constexpr size_t kReleaseDateOffset = 100;
inline constexpr size_t kReleaseDateLength = 4;
inline constexpr size_t kSkipFlagOffset = 108;
inline constexpr size_t kExcludeFlagOffset = 109;
inline constexpr size_t kProgramMessageOffset = 110;
// A written record is kWrittenLengthBase + the message's length: the
// terminator and one byte more.
inline constexpr size_t kWrittenLengthBase = 112;
// The longest message a slot holds.
inline constexpr size_t kMaxMessageLength = kSlotSize - kWrittenLengthBase;
// The release date's year byte counts from this year.
inline constexpr unsigned kReleaseYearBase = 2000;

// One record as the conduit holds it: a slot of kSlotSize bytes.
using Slot = std::span<uint8_t, kSlotSize>;
using ConstSlot = std::span<const uint8_t, kSlotSize>;

// A NUL-terminated field, read no further than its width.
inline std::string TextField(ConstSlot slot, size_t offset, size_t width) {
  return bytes::ByteReader(slot).Text(offset, width);
}

inline bool IsExcluded(ConstSlot slot) { return slot[kExcludeFlagOffset] != 0; }
inline bool IsMarkedToSkip(ConstSlot slot) { return slot[kSkipFlagOffset] != 0; }

// The latest version as exactly kVersionLength bytes: zero-padded when
// shorter, cut when longer (then without a terminator).
inline void SetLatestVersion(Slot slot, std::string_view version) {
  bytes::ByteWriter writer(slot);
  writer.Fill(kLatestVersionOffset, kVersionLength, 0);
  const auto* text = reinterpret_cast<const uint8_t*>(version.data());
  writer.Bytes(kLatestVersionOffset, {text, version.size() < kVersionLength ? version.size() : kVersionLength});
}

// The release date's four bytes: year byte, month, day, spare.
inline void SetReleaseDate(Slot slot, const std::array<uint8_t, kReleaseDateLength>& date) {
  bytes::ByteWriter(slot).Bytes(kReleaseDateOffset, date);
}

// The message up to its first NUL, cut to what the slot holds, with its
// terminator; returns its length.
inline size_t SetMessage(Slot slot, std::string_view message) {
  message = message.substr(0, message.find('\0'));
  const size_t length = message.size() < kMaxMessageLength ? message.size() : kMaxMessageLength;
  bytes::ByteWriter writer(slot);
  writer.Bytes(kProgramMessageOffset, {reinterpret_cast<const uint8_t*>(message.data()), length});
  writer.U8(kProgramMessageOffset + length, 0);
  return length;
}

// What describes an installed program: the fields the desktop writes into
// a record of at least kWrittenLengthBase bytes, every other byte left as
// it was.
struct Description {
  std::array<uint8_t, kCodeLength> type{};
  std::array<uint8_t, kCodeLength> creator{};
  std::string_view name, altName, installedVersion;
};

inline void Describe(std::span<uint8_t> record, const Description& program) {
  bytes::ByteWriter writer(record);
  writer.Bytes(kTypeCodeOffset, program.type);
  writer.Bytes(kCreatorCodeOffset, program.creator);
  writer.Text(kProgramNameOffset, kProgramNameLength, program.name);
  writer.Text(kAltNameOffset, kAltNameLength, program.altName);
  writer.Text(kInstalledVersionOffset, kVersionLength, program.installedVersion);
}

// A record's fields as people read them. A record of any length reads: one
// that ends inside a field gives what it holds of it.
struct Fields {
  std::string type, creator, name, altName, installedVersion, latestVersion;
  std::string releaseDate;  // YYYY-MM-DD; blank when none was stored
  std::string message;
  bool skip = false;
  bool exclude = false;
};

inline Fields Read(std::span<const uint8_t> record) {
  bytes::ByteReader reader(record);
  Fields fields;
  fields.type = reader.Text(kTypeCodeOffset, kCodeLength);
  fields.creator = reader.Text(kCreatorCodeOffset, kCodeLength);
  fields.name = reader.Text(kProgramNameOffset, kProgramNameLength);
  fields.altName = reader.Text(kAltNameOffset, kAltNameLength);
  fields.installedVersion = reader.Text(kInstalledVersionOffset, kVersionLength);
  fields.latestVersion = reader.Text(kLatestVersionOffset, kVersionLength);
  fields.message = reader.Text(kProgramMessageOffset, record.size());
  fields.skip = reader.U8(kSkipFlagOffset) != 0;
  fields.exclude = reader.U8(kExcludeFlagOffset) != 0;
  bytes::ByteReader date(record);
  const unsigned yearByte = date.U8(kReleaseDateOffset);
  const unsigned month = date.U8(kReleaseDateOffset + 1);
  const unsigned day = date.U8(kReleaseDateOffset + 2);
  if (date.ok() && month != 0 && day != 0) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", kReleaseYearBase + yearByte, month, day);
    fields.releaseDate = text;
  }
  return fields;
}

}  // namespace oq::program_record
