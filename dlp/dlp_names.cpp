// What the desktop calls the commands, the handheld's errors and the link's
// failures, in messages.
#include "dlp_client.h"

namespace oq::dlp {

const char* CommandName(uint8_t command) {
  switch (static_cast<Command>(command)) {
    case Command::kReadUserInfo: return "ReadUserInfo";
    case Command::kWriteUserInfo: return "WriteUserInfo";
    case Command::kReadSysInfo: return "ReadSysInfo";
    case Command::kReadDbList: return "ReadDBList";
    case Command::kOpenDb: return "OpenDB";
    case Command::kCreateDb: return "CreateDB";
    case Command::kCloseDb: return "CloseDB";
    case Command::kDeleteDb: return "DeleteDB";
    case Command::kReadAppBlock: return "ReadAppBlock";
    case Command::kWriteAppBlock: return "WriteAppBlock";
    case Command::kWriteSortBlock: return "WriteSortBlock";
    case Command::kReadRecord: return "ReadRecord";
    case Command::kWriteRecord: return "WriteRecord";
    case Command::kDeleteRecord: return "DeleteRecord";
    case Command::kReadResource: return "ReadResource";
    case Command::kWriteResource: return "WriteResource";
    case Command::kAddSyncLogEntry: return "AddSyncLogEntry";
    case Command::kReadOpenDbInfo: return "ReadOpenDBInfo";
    case Command::kOpenConduit: return "OpenConduit";
    case Command::kEndOfSync: return "EndOfSync";
    case Command::kReadAppPreference: return "ReadAppPreference";
    case Command::kWriteAppPreference: return "WriteAppPreference";
  }
  return "an unknown command";
}

const char* DescribeDeviceError(uint16_t error) {
  switch (error) {
    case kErrSystem: return "system error";
    case kErrIllegalRequest: return "illegal request";
    case kErrMemory: return "out of memory";
    case kErrParameter: return "invalid parameter";
    case kErrNotFound: return "not found";
    case kErrNoneOpen: return "no database open";
    case kErrAlreadyOpen: return "database already open";
    case kErrTooManyOpen: return "too many databases open";
    case kErrAlreadyExists: return "already exists";
    case kErrCannotOpen: return "cannot open";
    case kErrRecordDeleted: return "record deleted";
    case kErrRecordBusy: return "record busy";
    case kErrNotSupported: return "not supported";
    case kErrReadOnly: return "read only";
    case kErrNotEnoughSpace: return "not enough space";
    case kErrLimitExceeded: return "limit exceeded";
    case kErrCancelled: return "sync cancelled";
  }
  return "unknown error";
}

std::string DescribeFailure(LinkError error, const std::string& detail) {
  std::string words = Describe(error);
  if (!detail.empty()) words += " (" + detail + ")";
  return words;
}

const char* Describe(LinkError error) {
  switch (error) {
    case LinkError::kNone: return "no error";
    case LinkError::kClosed: return "the handheld hung up";
    case LinkError::kTimedOut: return "the handheld stopped answering";
    case LinkError::kMalformed: return "the handheld sent bytes that are no packet";
    case LinkError::kTooLong: return "the handheld announced a packet longer than any the protocol has";
    case LinkError::kInterrupted: return "the desktop was told to stop";
    case LinkError::kSystem: return "the connection failed";
  }
  return "unknown link error";
}

}  // namespace oq::dlp
