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

#include <cstddef>
#include <cstdint>

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

}  // namespace oq::program_record
