// The Sync Manager's exports: each checks its arguments, counts the call,
// applies the fault plan and hands the call to the session's handheld, a
// folder of files or a live device.
#include <cstring>

#include "handheld_session.h"
#include "standin_errors.h"
#include "sync_manager.h"

using oq::handheld_host::Operation;
using oq::standin::Session;
namespace standin = oq::standin;

extern "C" {

int32_t SyncRegisterConduit(uint32_t* conduitHandle) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kRegister)) return *fault;
  if (conduitHandle == nullptr) return standin::kErrBadArgument;
  session.conduitHandle = session.nextConduitHandle++;
  *conduitHandle = *session.conduitHandle;
  return oq::sync::kOk;
}

int32_t SyncUnRegisterConduit(uint32_t conduitHandle) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kUnregister)) return *fault;
  if (session.conduitHandle != conduitHandle) return standin::kErrNotRegistered;
  session.conduitHandle.reset();
  return oq::sync::kOk;
}

int32_t SyncGetAPIVersion(uint32_t* major, uint32_t* minor) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kGetApiVersion)) return *fault;
  if (major == nullptr || minor == nullptr) return standin::kErrBadArgument;
  *major = session.apiMajor;
  *minor = session.apiMinor;
  return oq::sync::kOk;
}

int32_t SyncOpenDB(const char* name, int32_t cardNumber, uint8_t* dbHandle, uint8_t openMode) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kOpenDb)) return *fault;
  if (name == nullptr || dbHandle == nullptr) return standin::kErrBadArgument;
  if (cardNumber != 0 || !session.handheld) return oq::sync::kErrNotFound;
  return session.handheld->OpenDb(name, openMode, *dbHandle);
}

int32_t SyncCloseDB(uint8_t dbHandle) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kCloseDb)) return *fault;
  if (!session.handheld) return standin::kErrFileNotOpen;
  return session.handheld->CloseDb(dbHandle);
}

int32_t SyncReadOpenDbInfo(DbInfoRequest* request, DbInfoBlock* info) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kReadOpenDbInfo)) return *fault;
  if (request == nullptr || info == nullptr) return standin::kErrBadArgument;
  if (!session.handheld) return standin::kErrFileNotOpen;
  std::memset(info, 0, sizeof *info);
  const int32_t result = session.handheld->ReadOpenDbInfo(request->dbHandle, *info);
  if (const auto reported = session.faultPlan ? session.faultPlan->ReportedRecordCount() : std::nullopt;
      result == oq::sync::kOk && reported) {
    info->recordCount = *reported;
  }
  return result;
}

int32_t SyncReadRecordByIndex(RawRecordDescriptor* record) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kReadRecordByIndex)) return *fault;
  if (record == nullptr) return standin::kErrBadArgument;
  if (record->buffer == nullptr && record->bufferSize != 0) return standin::kErrBadArgument;
  if (!session.handheld) return standin::kErrFileNotOpen;
  return session.handheld->ReadRecordByIndex(*record);
}

int32_t SyncWriteRec(RawRecordDescriptor* record) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kWriteRecord)) return *fault;
  if (record == nullptr) return standin::kErrBadArgument;
  // The record is taken from the caller's buffer; never read past it.
  if (record->recordSize > record->bufferSize || (record->buffer == nullptr && record->recordSize != 0)) {
    return standin::kErrBadArgument;
  }
  if (!session.handheld) return standin::kErrFileNotOpen;
  return session.handheld->WriteRecord(*record);
}

int32_t SyncReadAppPreference(PreferenceParameterBlock* preference) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kReadAppPreference)) return *fault;
  if (preference == nullptr) return standin::kErrBadArgument;
  if (preference->buffer == nullptr && preference->bufferSize != 0) return standin::kErrBadArgument;
  if (!session.handheld) return oq::sync::kErrNotFound;
  return session.handheld->ReadAppPreference(*preference);
}

int32_t SyncWriteAppPreference(PreferenceParameterBlock* preference) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kWriteAppPreference)) return *fault;
  if (preference == nullptr) return standin::kErrBadArgument;
  if (preference->buffer == nullptr && preference->bufferSize != 0) return standin::kErrBadArgument;
  if (!session.handheld) return oq::sync::kErrNotFound;
  return session.handheld->WriteAppPreference(*preference);
}

int32_t SyncYieldCycles(uint16_t /*maxMilliseconds*/) {
  if (auto fault = Session().Enter(Operation::kYieldCycles)) return *fault;
  return oq::sync::kOk;
}

int32_t SyncAddLogEntry(const char* text) {
  auto& session = Session();
  if (auto fault = session.Enter(Operation::kAddLogEntry)) return *fault;
  if (text == nullptr) return standin::kErrBadArgument;
  std::string& log = session.handheldLog;
  log += text;
  if (log.size() > oq::handheld_host::kHandheldLogCapacity) {
    // Like a handheld, keep the newest entries: drop whole lines from the front.
    size_t cut = log.size() - oq::handheld_host::kHandheldLogCapacity;
    size_t lineEnd = log.find('\n', cut - 1);
    const bool wholeLines = lineEnd != std::string::npos && lineEnd + 1 < log.size();
    log.erase(0, wholeLines ? lineEnd + 1 : cut);
  }
  return oq::sync::kOk;
}

}  // extern "C"
