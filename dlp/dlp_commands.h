// The Desktop Link Protocol commands the desktop sends, the handheld's
// error codes, and each command's argument layout (offsets within the
// argument's data, big-endian). A date is 8 bytes: 0 year (16 bits),
// 2 month, 3 day, 4 hour, 5 minute, 6 second, 7 zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oq::dlp {

enum class Command : uint8_t {
  kReadUserInfo = 0x10,
  kWriteUserInfo = 0x11,
  kReadSysInfo = 0x12,
  kReadDbList = 0x16,
  kOpenDb = 0x17,
  kCreateDb = 0x18,
  kCloseDb = 0x19,
  kDeleteDb = 0x1A,
  kReadAppBlock = 0x1B,
  kWriteAppBlock = 0x1C,
  kWriteSortBlock = 0x1E,
  kReadRecord = 0x20,
  kWriteRecord = 0x21,
  kDeleteRecord = 0x22,
  kReadResource = 0x23,
  kWriteResource = 0x24,
  kAddSyncLogEntry = 0x2A,
  kReadOpenDbInfo = 0x2B,
  kOpenConduit = 0x2E,
  kEndOfSync = 0x2F,
  kReadAppPreference = 0x34,
  kWriteAppPreference = 0x35,
};

const char* CommandName(uint8_t command);

// The handheld's answers other than success.
inline constexpr uint16_t kErrSystem = 1;
inline constexpr uint16_t kErrIllegalRequest = 2;
inline constexpr uint16_t kErrMemory = 3;
inline constexpr uint16_t kErrParameter = 4;
inline constexpr uint16_t kErrNotFound = 5;
inline constexpr uint16_t kErrNoneOpen = 6;
inline constexpr uint16_t kErrAlreadyOpen = 7;
inline constexpr uint16_t kErrTooManyOpen = 8;
inline constexpr uint16_t kErrAlreadyExists = 9;
inline constexpr uint16_t kErrCannotOpen = 10;
inline constexpr uint16_t kErrRecordDeleted = 11;
inline constexpr uint16_t kErrRecordBusy = 12;
inline constexpr uint16_t kErrNotSupported = 13;
inline constexpr uint16_t kErrReadOnly = 15;
inline constexpr uint16_t kErrNotEnoughSpace = 16;
inline constexpr uint16_t kErrLimitExceeded = 17;
inline constexpr uint16_t kErrCancelled = 18;

const char* DescribeDeviceError(uint16_t error);

// Argument ids beyond the first, for the commands with variants.
inline constexpr uint8_t kSecondArgumentId = 0x21;

inline constexpr size_t kDateLength = 8;

// ReadUserInfo answer; WriteUserInfo's request shares the first 12 bytes.
namespace user_info {
inline constexpr size_t kUserIdOffset = 0;
inline constexpr size_t kViewerIdOffset = 4;
inline constexpr size_t kLastSyncPcOffset = 8;
inline constexpr size_t kSuccessfulSyncDateOffset = 12;  // answer only
inline constexpr size_t kLastSyncDateOffset = 20;        // answer only
inline constexpr size_t kNameLengthOffset = 28;          // with the NUL
inline constexpr size_t kPasswordLengthOffset = 29;
inline constexpr size_t kNameOffset = 30;
// WriteUserInfo request.
inline constexpr size_t kWriteLastSyncDateOffset = 12;
inline constexpr size_t kWriteModifiedFlagsOffset = 20;
inline constexpr size_t kWriteNameLengthOffset = 21;
inline constexpr size_t kWriteNameOffset = 22;
inline constexpr uint8_t kModifyUserId = 0x80;
inline constexpr uint8_t kModifyLastSyncPc = 0x40;
inline constexpr uint8_t kModifySyncDate = 0x20;
inline constexpr uint8_t kModifyName = 0x10;
inline constexpr size_t kMaxNameLength = 40;  // with the NUL
}  // namespace user_info

// ReadSysInfo: the request names the desktop's DLP version; the answer's
// first argument the handheld, its second (DLP 1.2 on) the handheld's DLP.
namespace sys_info {
inline constexpr size_t kRequestMajorOffset = 0;
inline constexpr size_t kRequestMinorOffset = 2;
inline constexpr size_t kRequestLength = 4;
inline constexpr size_t kRomVersionOffset = 0;
inline constexpr size_t kLocaleOffset = 4;
inline constexpr size_t kProductIdLengthOffset = 9;
inline constexpr size_t kProductIdOffset = 10;
inline constexpr size_t kDlpMajorOffset = 0;  // second argument
inline constexpr size_t kDlpMinorOffset = 2;
inline constexpr size_t kMaxRecordSizeOffset = 8;
inline constexpr size_t kVersionArgumentLength = 12;
}  // namespace sys_info

// ReadDbList: request 0 flags, 1 card, 2 first index; answer 0 last index,
// 2 flags (0x80: more to come), 3 count, 4 entries, each opening with its
// own length.
namespace db_list {
inline constexpr uint8_t kRam = 0x80;
inline constexpr uint8_t kMultiple = 0x20;
inline constexpr size_t kRequestFlagsOffset = 0;
inline constexpr size_t kRequestCardOffset = 1;
inline constexpr size_t kRequestStartOffset = 2;
inline constexpr size_t kRequestLength = 4;
inline constexpr size_t kLastIndexOffset = 0;
inline constexpr size_t kFlagsOffset = 2;
inline constexpr size_t kCountOffset = 3;
inline constexpr size_t kEntriesOffset = 4;
inline constexpr uint8_t kMoreFlag = 0x80;
// Within an entry.
inline constexpr size_t kEntryLengthOffset = 0;
inline constexpr size_t kEntryMiscFlagsOffset = 1;
inline constexpr size_t kEntryAttributesOffset = 2;
inline constexpr size_t kEntryTypeOffset = 4;
inline constexpr size_t kEntryCreatorOffset = 8;
inline constexpr size_t kEntryVersionOffset = 12;
inline constexpr size_t kEntryModificationNumberOffset = 14;
inline constexpr size_t kEntryCreationDateOffset = 18;
inline constexpr size_t kEntryModificationDateOffset = 26;
inline constexpr size_t kEntryBackupDateOffset = 34;
inline constexpr size_t kEntryIndexOffset = 42;
inline constexpr size_t kEntryNameOffset = 44;
inline constexpr size_t kNameLength = 32;
}  // namespace db_list

// OpenDb and DeleteDb: 0 card, 1 mode (0 for DeleteDb), 2 name with its NUL.
// OpenDb answers the handle.
namespace open_db {
inline constexpr size_t kCardOffset = 0;
inline constexpr size_t kModeOffset = 1;
inline constexpr size_t kNameOffset = 2;
}  // namespace open_db

// CreateDb: answers the handle.
namespace create_db {
inline constexpr size_t kCreatorOffset = 0;
inline constexpr size_t kTypeOffset = 4;
inline constexpr size_t kCardOffset = 8;
inline constexpr size_t kAttributesOffset = 10;
inline constexpr size_t kVersionOffset = 12;
inline constexpr size_t kNameOffset = 14;
}  // namespace create_db

// ReadRecord by id (first argument id) or by index (second): 0 handle,
// then the id (32 bits) or index (16 bits), then offset and length to read.
// The answer: 0 id, 4 index, 6 size, 8 attributes, 9 category, 10 data.
namespace read_record {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kIdOffset = 2;
inline constexpr size_t kByIdReadOffsetOffset = 6;
inline constexpr size_t kByIdReadLengthOffset = 8;
inline constexpr size_t kByIdLength = 10;
inline constexpr size_t kIndexOffset = 2;
inline constexpr size_t kByIndexReadOffsetOffset = 4;
inline constexpr size_t kByIndexReadLengthOffset = 6;
inline constexpr size_t kByIndexLength = 8;
inline constexpr size_t kAnswerIdOffset = 0;
inline constexpr size_t kAnswerIndexOffset = 4;
inline constexpr size_t kAnswerSizeOffset = 6;
inline constexpr size_t kAnswerAttributesOffset = 8;
inline constexpr size_t kAnswerCategoryOffset = 9;
inline constexpr size_t kAnswerDataOffset = 10;
}  // namespace read_record

// WriteRecord: 0 handle, 1 flags, 2 id (0: a new record), 6 attributes,
// 7 category, 8 data. Answers the record's id.
namespace write_record {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kFlagsOffset = 1;
inline constexpr size_t kIdOffset = 2;
inline constexpr size_t kAttributesOffset = 6;
inline constexpr size_t kCategoryOffset = 7;
inline constexpr size_t kDataOffset = 8;
inline constexpr uint8_t kDataIncluded = 0x80;
}  // namespace write_record

// DeleteRecord: 0 handle, 1 flags, 2 id.
namespace delete_record {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kFlagsOffset = 1;
inline constexpr size_t kIdOffset = 2;
inline constexpr size_t kLength = 6;
inline constexpr uint8_t kAll = 0x80;
}  // namespace delete_record

// ReadResource by index (first argument id): 0 handle, 2 index, 4 offset,
// 6 length. By type (second): 0 handle, 2 type, 6 id, 8 offset, 10 length.
// The answer: 0 type, 4 id, 6 index, 8 size, 10 data.
namespace read_resource {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kIndexOffset = 2;
inline constexpr size_t kByIndexReadOffsetOffset = 4;
inline constexpr size_t kByIndexReadLengthOffset = 6;
inline constexpr size_t kByIndexLength = 8;
inline constexpr size_t kTypeOffset = 2;
inline constexpr size_t kIdOffset = 6;
inline constexpr size_t kByTypeReadOffsetOffset = 8;
inline constexpr size_t kByTypeReadLengthOffset = 10;
inline constexpr size_t kByTypeLength = 12;
inline constexpr size_t kAnswerTypeOffset = 0;
inline constexpr size_t kAnswerIdOffset = 4;
inline constexpr size_t kAnswerIndexOffset = 6;
inline constexpr size_t kAnswerSizeOffset = 8;
inline constexpr size_t kAnswerDataOffset = 10;
}  // namespace read_resource

// WriteResource: 0 handle, 2 type, 6 id, 8 size, 10 data.
namespace write_resource {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kTypeOffset = 2;
inline constexpr size_t kIdOffset = 6;
inline constexpr size_t kSizeOffset = 8;
inline constexpr size_t kDataOffset = 10;
}  // namespace write_resource

// ReadAppBlock: 0 handle, 2 offset, 4 length (0xFFFF: to the end); answers
// 0 the size returned, 2 data.
namespace read_block {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kReadOffsetOffset = 2;
inline constexpr size_t kReadLengthOffset = 4;
inline constexpr size_t kLength = 6;
inline constexpr size_t kAnswerSizeOffset = 0;
inline constexpr size_t kAnswerDataOffset = 2;
}  // namespace read_block

// WriteAppBlock and WriteSortBlock: 0 handle, 2 size, 4 data.
namespace write_block {
inline constexpr size_t kHandleOffset = 0;
inline constexpr size_t kSizeOffset = 2;
inline constexpr size_t kDataOffset = 4;
}  // namespace write_block

// ReadOpenDbInfo: 0 handle; answers 0 the record count (16 bits).
namespace open_db_info {
inline constexpr size_t kRecordCountOffset = 0;
}  // namespace open_db_info

// ReadAppPreference: 0 creator, 4 id, 6 length to read, 8 flags; answers
// 0 version, 2 stored size, 4 size returned, 6 data. WriteAppPreference:
// 0 creator, 4 id, 6 version, 8 size, 10 flags, 12 data.
namespace app_preference {
inline constexpr uint8_t kBackedUp = 0x80;
inline constexpr size_t kCreatorOffset = 0;
inline constexpr size_t kIdOffset = 4;
inline constexpr size_t kReadLengthOffset = 6;
inline constexpr size_t kReadFlagsOffset = 8;
inline constexpr size_t kReadRequestLength = 10;
inline constexpr size_t kAnswerVersionOffset = 0;
inline constexpr size_t kAnswerStoredSizeOffset = 2;
inline constexpr size_t kAnswerReturnedSizeOffset = 4;
inline constexpr size_t kAnswerDataOffset = 6;
inline constexpr size_t kWriteVersionOffset = 6;
inline constexpr size_t kWriteSizeOffset = 8;
inline constexpr size_t kWriteFlagsOffset = 10;
inline constexpr size_t kWriteDataOffset = 12;
}  // namespace app_preference

// EndOfSync: 0 status.
inline constexpr uint16_t kEndNormal = 0;
inline constexpr uint16_t kEndOther = 3;

}  // namespace oq::dlp
