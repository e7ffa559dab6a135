// The desktop's side of the Desktop Link Protocol: one call per command,
// each encoding its request, waiting for the handheld's answer and decoding
// it. Errors are values: a call answers with the handheld's own error code,
// or with why the link failed. After a link failure the client sends
// nothing more and every call answers that failure.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dlp_commands.h"
#include "dlp_packet.h"
#include "dlp_transport.h"
#include "palm_database.h"
#include "palm_time.h"

namespace oq::dlp {

class RequestBuilder;

struct Status {
  enum class Kind { kOk, kDevice, kLink, kProtocol };
  Kind kind = Kind::kOk;
  uint16_t deviceError = 0;  // kDevice: the handheld's code
  std::string detail;        // kLink, kProtocol: what went wrong

  bool ok() const { return kind == Kind::kOk; }
  bool IsDeviceError(uint16_t code) const { return kind == Kind::kDevice && deviceError == code; }
  // "error 5 (not found)", "the handheld hung up", ...
  std::string Describe() const;
};

struct UserInfo {
  uint32_t userId = 0;
  uint32_t viewerId = 0;
  uint32_t lastSyncPc = 0;
  palm::CalendarTime successfulSync;
  palm::CalendarTime lastSync;
  std::string name;
};

// What WriteUserInfo changes besides the last sync PC and date.
struct UserInfoChanges {
  bool name = false;    // a handheld without a name is given one
  bool userId = false;  // and an id
};

struct SysInfo {
  uint32_t romVersion = 0;
  uint32_t locale = 0;
  uint16_t dlpMajor = 1;  // a handheld before DLP 1.2 does not say: 1.0 or 1.1
  uint16_t dlpMinor = 0;
  uint32_t maxRecordSize = 0;
};

struct DatabaseInfo {
  std::string name;
  uint16_t attributes = 0;
  uint32_t type = 0;
  uint32_t creator = 0;
  uint16_t version = 0;
  uint32_t modificationNumber = 0;
  palm::CalendarTime modified;
  uint16_t index = 0;
};

struct NewDatabase {
  std::string name;
  uint32_t creator = 0;
  uint32_t type = 0;
  uint16_t attributes = 0;
  uint16_t version = 0;
};

struct RecordData {
  uint32_t id = 0;
  uint16_t index = 0;
  uint8_t attributes = 0;  // the high nibble's flags
  uint8_t category = 0;
  uint16_t size = 0;  // the whole record's, which `data` may fall short of
  std::vector<uint8_t> data;
};

// A record of a database file, as WriteRecord carries it.
inline RecordData RecordDataOf(const palm::Record& record) {
  RecordData data;
  data.id = record.uniqueId;
  data.attributes = record.attributes & static_cast<uint8_t>(~palm::kRecordCategoryMask);
  data.category = record.attributes & palm::kRecordCategoryMask;
  data.data = record.data;
  return data;
}

struct ResourceData {
  uint32_t type = 0;
  uint16_t id = 0;
  uint16_t index = 0;
  std::vector<uint8_t> data;
};

struct PreferenceData {
  uint16_t version = 0;
  uint16_t storedSize = 0;
  std::vector<uint8_t> data;
};

// What a read asks for: everything a 16-bit length can carry.
inline constexpr uint16_t kReadWhole = 0xFFFF;
// The most a write can carry: what fits one argument beside its fields.
inline constexpr size_t kMaxWriteRecordData = kShortArgumentMax - write_record::kRequest.fixedLength;
inline constexpr size_t kMaxWritePreferenceData = kShortArgumentMax - app_preference::kWrite.fixedLength;
// What one HotSync may take from a handheld, far above any real one's
// catalogue and programs: a peer that sends more is ended before it can
// exhaust the desktop's memory.
inline constexpr size_t kMaxReceivedPerSession = 32 * 1024 * 1024;
inline constexpr size_t kMaxDatabases = 16384;
// The DLP version this desktop speaks.
inline constexpr uint16_t kDesktopDlpMajor = 1;
inline constexpr uint16_t kDesktopDlpMinor = 2;

class Client {
 public:
  explicit Client(Transport& transport) : transport_(transport) {}

  Status ReadUserInfo(UserInfo& user);
  // Writes the last sync PC and the last sync date, and what `changes`
  // names; the handheld keeps the rest.
  Status WriteUserInfo(const UserInfo& user, UserInfoChanges changes = {});
  Status ReadSysInfo(SysInfo& info);
  // The databases in RAM on card 0, all of them, in the handheld's order.
  Status ReadDatabaseList(std::vector<DatabaseInfo>& databases);
  // The one database at `index` of that list, as it is now.
  Status ReadDatabaseInfo(uint16_t index, DatabaseInfo& database);
  Status OpenDb(const std::string& name, uint8_t mode, uint8_t& handle);
  Status CreateDb(const NewDatabase& database, uint8_t& handle);
  Status CloseDb(uint8_t handle);
  Status DeleteDb(const std::string& name);
  Status ReadOpenDbInfo(uint8_t handle, uint16_t& recordCount);
  Status ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t maxLength, RecordData& record);
  Status ReadRecordById(uint8_t handle, uint32_t id, uint16_t maxLength, RecordData& record);
  // `newId` is the id the handheld keeps the record under.
  Status WriteRecord(uint8_t handle, const RecordData& record, uint32_t& newId);
  // `flags` 0: the record `id`; delete_record::kAll: every record.
  Status DeleteRecord(uint8_t handle, uint32_t id, uint8_t flags = 0);
  Status ReadResourceByIndex(uint8_t handle, uint16_t index, ResourceData& resource);
  Status ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id, ResourceData& resource);
  Status WriteResource(uint8_t handle, const ResourceData& resource);
  // An empty block when the database has none.
  Status ReadAppBlock(uint8_t handle, std::vector<uint8_t>& block);
  Status WriteAppBlock(uint8_t handle, std::span<const uint8_t> block);
  Status WriteSortBlock(uint8_t handle, std::span<const uint8_t> block);
  Status ReadAppPreference(uint32_t creator, uint16_t id, bool backedUp, uint16_t maxLength,
                           PreferenceData& preference);
  Status WriteAppPreference(uint32_t creator, uint16_t id, bool backedUp, uint16_t version,
                            std::span<const uint8_t> bytes);
  Status AddSyncLogEntry(const std::string& text);
  Status OpenConduit();
  Status EndOfSync(uint16_t status);

  // The link's failure, once there was one.
  const Status& linkFailure() const { return linkFailure_; }

 private:
  // Sends one request and decodes its answer, whose first argument carries
  // at least what the command's layout reads; a device error comes back as
  // such, with `response` holding what the handheld sent. A request with a
  // value too wide for its field is not sent.
  Status Call(const RequestBuilder& request, Response& response);
  // One answer of ReadDBList from `start`, its entries appended: one, or as
  // many as the handheld sends at once.
  Status ReadListPage(uint16_t start, bool multiple, std::vector<DatabaseInfo>& databases, uint16_t& lastIndex,
                      bool& more);
  // The variants of ReadRecord and ReadResource share their answers.
  Status ReadRecord(const RequestBuilder& request, RecordData& record);
  Status ReadResource(const RequestBuilder& request, ResourceData& resource);
  Status WriteBlock(const RequestLayout& request, uint8_t handle, std::span<const uint8_t> block);

  Transport& transport_;
  Status linkFailure_;
  size_t received_ = 0;  // bytes of answers this session
};

}  // namespace oq::dlp
