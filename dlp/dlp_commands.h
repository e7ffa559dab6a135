// The Desktop Link Protocol commands the desktop sends, each described
// once: the argument id its request goes under, the request's fixed fields
// and what the answer's first argument carries. One request builder and
// one answer reader (dlp_fields.h) serve them all, so a command is a few
// lines here and a few in the client. Offsets are within an argument's
// data, numbers big-endian. A date is 8 bytes: 0 year (16 bits), 2 month,
// 3 day, 4 hour, 5 minute, 6 second, 7 zero.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dlp_packet.h"

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

// A fixed field of an argument: where it starts and how many bytes it
// takes (1, 2 or 4 for a number, kDateLength for a date).
struct Field {
  size_t offset = 0;
  size_t width = 0;
};

inline constexpr size_t kDateLength = 8;

// One request the desktop sends (a command with variants has one for
// each), and the least of the answer it reads.
struct RequestLayout {
  Command command;
  uint8_t argumentId;   // kNoArgument: the request carries none
  size_t fixedLength;   // the argument's fixed fields; a name or data may follow them
  size_t answerLength;  // the fewest bytes of the answer's first argument it reads; 0: it reads none
};

inline constexpr uint8_t kNoArgument = 0;
// The id a command's second variant goes under, and a second answer's.
inline constexpr uint8_t kSecondArgumentId = kFirstArgumentId + 1;

// ReadUserInfo: the answer; the password's length (29) and the name (with
// its NUL) follow the fields.
namespace user_info {
inline constexpr size_t kNameOffset = 30;
inline constexpr RequestLayout kRequest{Command::kReadUserInfo, kNoArgument, 0, kNameOffset};
inline constexpr Field kUserId{0, 4};
inline constexpr Field kViewerId{4, 4};
inline constexpr Field kLastSyncPc{8, 4};
inline constexpr Field kSuccessfulSyncDate{12, kDateLength};
inline constexpr Field kLastSyncDate{20, kDateLength};
inline constexpr Field kNameLength{28, 1};    // with the NUL
inline constexpr size_t kMaxNameLength = 40;  // with the NUL
}  // namespace user_info

// WriteUserInfo: the fields it changes are flagged; the name follows.
namespace write_user_info {
inline constexpr RequestLayout kRequest{Command::kWriteUserInfo, kFirstArgumentId, 22, 0};
inline constexpr Field kUserId{0, 4};
inline constexpr Field kViewerId{4, 4};
inline constexpr Field kLastSyncPc{8, 4};
inline constexpr Field kLastSyncDate{12, kDateLength};
inline constexpr Field kModifiedFlags{20, 1};
inline constexpr Field kNameLength{21, 1};  // with the NUL
inline constexpr uint8_t kModifyUserId = 0x80;
inline constexpr uint8_t kModifyLastSyncPc = 0x40;
inline constexpr uint8_t kModifySyncDate = 0x20;
inline constexpr uint8_t kModifyName = 0x10;
}  // namespace write_user_info

// ReadSysInfo: the request names the desktop's DLP version; the answer's
// first argument the handheld (its product id follows the fields), its
// second (DLP 1.2 on) the handheld's DLP.
namespace sys_info {
inline constexpr size_t kProductIdOffset = 10;
inline constexpr RequestLayout kRequest{Command::kReadSysInfo, kFirstArgumentId, 4, kProductIdOffset};
inline constexpr Field kDesktopDlpMajor{0, 2};
inline constexpr Field kDesktopDlpMinor{2, 2};
inline constexpr Field kRomVersion{0, 4};
inline constexpr unsigned kRomMajorShift = 24;  // the version's top byte is Palm OS's major number
inline constexpr Field kLocale{4, 4};
// The second argument.
inline constexpr Field kDlpMajor{0, 2};
inline constexpr Field kDlpMinor{2, 2};
inline constexpr Field kMaxRecordSize{8, 4};
inline constexpr size_t kVersionArgumentLength = 12;
}  // namespace sys_info

// ReadDbList: the answer's entries follow its fields, each opening with its
// own length.
namespace db_list {
inline constexpr size_t kEntriesOffset = 4;
inline constexpr RequestLayout kRequest{Command::kReadDbList, kFirstArgumentId, 4, kEntriesOffset};
inline constexpr Field kRequestFlags{0, 1};
inline constexpr Field kCard{1, 1};
inline constexpr Field kStart{2, 2};
inline constexpr uint8_t kRam = 0x80;
inline constexpr uint8_t kMultiple = 0x20;
inline constexpr Field kLastIndex{0, 2};
inline constexpr Field kAnswerFlags{2, 1};
inline constexpr Field kCount{3, 1};
inline constexpr uint8_t kMoreFlag = 0x80;
// Within an entry, beside miscellaneous flags (1) and the creation (18)
// and backup (34) dates, which the desktop does not read; the name follows.
inline constexpr Field kEntryLength{0, 1};
inline constexpr Field kEntryAttributes{2, 2};
inline constexpr Field kEntryType{4, 4};
inline constexpr Field kEntryCreator{8, 4};
inline constexpr Field kEntryVersion{12, 2};
inline constexpr Field kEntryModificationNumber{14, 4};
inline constexpr Field kEntryModificationDate{26, kDateLength};
inline constexpr Field kEntryIndex{42, 2};
inline constexpr size_t kEntryNameOffset = 44;
inline constexpr size_t kNameLength = 32;
}  // namespace db_list

// OpenDb: the name (with its NUL) follows; answers the handle.
namespace open_db {
inline constexpr RequestLayout kRequest{Command::kOpenDb, kFirstArgumentId, 2, 1};
inline constexpr Field kCard{0, 1};
inline constexpr Field kMode{1, 1};
inline constexpr Field kHandle{0, 1};
}  // namespace open_db

// DeleteDb: the name (with its NUL) follows a zero byte.
namespace delete_db {
inline constexpr RequestLayout kRequest{Command::kDeleteDb, kFirstArgumentId, 2, 0};
inline constexpr Field kCard{0, 1};
}  // namespace delete_db

// CreateDb: the name (with its NUL) follows; answers the handle.
namespace create_db {
inline constexpr RequestLayout kRequest{Command::kCreateDb, kFirstArgumentId, 14, 1};
inline constexpr Field kCreator{0, 4};
inline constexpr Field kType{4, 4};
inline constexpr Field kCard{8, 1};
inline constexpr Field kAttributes{10, 2};
inline constexpr Field kVersion{12, 2};
inline constexpr Field kHandle{0, 1};
}  // namespace create_db

namespace close_db {
inline constexpr RequestLayout kRequest{Command::kCloseDb, kFirstArgumentId, 1, 0};
inline constexpr Field kHandle{0, 1};
}  // namespace close_db

namespace open_db_info {
inline constexpr RequestLayout kRequest{Command::kReadOpenDbInfo, kFirstArgumentId, 1, 2};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kRecordCount{0, 2};
}  // namespace open_db_info

// ReadRecord by id or by index; the answer's data follows its fields.
namespace read_record {
inline constexpr size_t kAnswerDataOffset = 10;
inline constexpr RequestLayout kById{Command::kReadRecord, kFirstArgumentId, 10, kAnswerDataOffset};
inline constexpr RequestLayout kByIndex{Command::kReadRecord, kSecondArgumentId, 8, kAnswerDataOffset};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kId{2, 4};
inline constexpr Field kByIdReadOffset{6, 2};
inline constexpr Field kByIdReadLength{8, 2};
inline constexpr Field kIndex{2, 2};
inline constexpr Field kByIndexReadOffset{4, 2};
inline constexpr Field kByIndexReadLength{6, 2};
inline constexpr Field kAnswerId{0, 4};
inline constexpr Field kAnswerIndex{4, 2};
inline constexpr Field kAnswerSize{6, 2};
inline constexpr Field kAnswerAttributes{8, 1};
inline constexpr Field kAnswerCategory{9, 1};
}  // namespace read_record

// WriteRecord: the data follows; answers the id the handheld keeps the
// record under (a request's id 0: a new record).
namespace write_record {
inline constexpr RequestLayout kRequest{Command::kWriteRecord, kFirstArgumentId, 8, 4};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kFlags{1, 1};
inline constexpr Field kId{2, 4};
inline constexpr Field kAttributes{6, 1};
inline constexpr Field kCategory{7, 1};
inline constexpr uint8_t kDataIncluded = 0x80;
inline constexpr Field kNewId{0, 4};
}  // namespace write_record

namespace delete_record {
inline constexpr RequestLayout kRequest{Command::kDeleteRecord, kFirstArgumentId, 6, 0};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kFlags{1, 1};
inline constexpr Field kId{2, 4};
inline constexpr uint8_t kAll = 0x80;
}  // namespace delete_record

// ReadResource by index or by type; the answer's data follows its fields.
namespace read_resource {
inline constexpr size_t kAnswerDataOffset = 10;
inline constexpr RequestLayout kByIndex{Command::kReadResource, kFirstArgumentId, 8, kAnswerDataOffset};
inline constexpr RequestLayout kByType{Command::kReadResource, kSecondArgumentId, 12, kAnswerDataOffset};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kIndex{2, 2};
inline constexpr Field kByIndexReadOffset{4, 2};
inline constexpr Field kByIndexReadLength{6, 2};
inline constexpr Field kType{2, 4};
inline constexpr Field kId{6, 2};
inline constexpr Field kByTypeReadOffset{8, 2};
inline constexpr Field kByTypeReadLength{10, 2};
inline constexpr Field kAnswerType{0, 4};
inline constexpr Field kAnswerId{4, 2};
inline constexpr Field kAnswerIndex{6, 2};
inline constexpr Field kAnswerSize{8, 2};
}  // namespace read_resource

// WriteResource: the data follows.
namespace write_resource {
inline constexpr RequestLayout kRequest{Command::kWriteResource, kFirstArgumentId, 10, 0};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kType{2, 4};
inline constexpr Field kId{6, 2};
inline constexpr Field kSize{8, 2};
}  // namespace write_resource

// ReadAppBlock (a length of 0xFFFF: to the end); the answer's data follows
// its size.
namespace read_block {
inline constexpr size_t kAnswerDataOffset = 2;
inline constexpr RequestLayout kRequest{Command::kReadAppBlock, kFirstArgumentId, 6, kAnswerDataOffset};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kReadOffset{2, 2};
inline constexpr Field kReadLength{4, 2};
inline constexpr Field kAnswerSize{0, 2};
}  // namespace read_block

// WriteAppBlock and WriteSortBlock: the data follows.
namespace write_block {
inline constexpr RequestLayout kAppBlock{Command::kWriteAppBlock, kFirstArgumentId, 4, 0};
inline constexpr RequestLayout kSortBlock{Command::kWriteSortBlock, kFirstArgumentId, 4, 0};
inline constexpr Field kHandle{0, 1};
inline constexpr Field kSize{2, 2};
}  // namespace write_block

// ReadAppPreference and WriteAppPreference; the data follows the fields of
// the answer and of the write.
namespace app_preference {
inline constexpr size_t kAnswerDataOffset = 6;
inline constexpr RequestLayout kRead{Command::kReadAppPreference, kFirstArgumentId, 10, kAnswerDataOffset};
inline constexpr RequestLayout kWrite{Command::kWriteAppPreference, kFirstArgumentId, 12, 0};
inline constexpr Field kCreator{0, 4};
inline constexpr Field kId{4, 2};
inline constexpr Field kReadLength{6, 2};
inline constexpr Field kReadFlags{8, 1};
inline constexpr Field kAnswerVersion{0, 2};
inline constexpr Field kAnswerStoredSize{2, 2};
inline constexpr Field kAnswerReturnedSize{4, 2};
inline constexpr Field kWriteVersion{6, 2};
inline constexpr Field kWriteSize{8, 2};
inline constexpr Field kWriteFlags{10, 1};
inline constexpr uint8_t kBackedUp = 0x80;
}  // namespace app_preference

// AddSyncLogEntry: the text with its NUL.
namespace sync_log {
inline constexpr RequestLayout kRequest{Command::kAddSyncLogEntry, kFirstArgumentId, 0, 0};
}  // namespace sync_log

namespace open_conduit {
inline constexpr RequestLayout kRequest{Command::kOpenConduit, kNoArgument, 0, 0};
}  // namespace open_conduit

namespace end_of_sync {
inline constexpr RequestLayout kRequest{Command::kEndOfSync, kFirstArgumentId, 2, 0};
inline constexpr Field kStatus{0, 2};
}  // namespace end_of_sync

inline constexpr uint16_t kEndNormal = 0;
inline constexpr uint16_t kEndOther = 3;

}  // namespace oq::dlp
