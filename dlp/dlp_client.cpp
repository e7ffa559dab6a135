#include "dlp_client.h"

#include <algorithm>

#include "byte_codec.h"

namespace oq::dlp {

namespace {

using bytes::ByteReader;
using bytes::ByteWriter;

std::vector<uint8_t> Zeros(size_t length) { return std::vector<uint8_t>(length, 0); }

// A name as the handheld takes it: its bytes and a NUL.
void AppendName(std::vector<uint8_t>& out, const std::string& name) {
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
}

palm::CalendarTime ReadDate(ByteReader& reader, size_t offset) {
  palm::CalendarTime time;
  time.year = reader.U16Be(offset);
  time.month = reader.U8(offset + 2);
  time.day = reader.U8(offset + 3);
  time.hour = reader.U8(offset + 4);
  time.minute = reader.U8(offset + 5);
  time.second = reader.U8(offset + 6);
  return time;
}

void WriteDate(ByteWriter& writer, size_t offset, const palm::CalendarTime& time) {
  writer.U16Be(offset, time.year);
  writer.U8(offset + 2, time.month);
  writer.U8(offset + 3, time.day);
  writer.U8(offset + 4, time.hour);
  writer.U8(offset + 5, time.minute);
  writer.U8(offset + 6, time.second);
  writer.U8(offset + 7, 0);
}

// A request of one argument that opens with a handle and a zero byte.
std::vector<uint8_t> HandleBlock(uint8_t handle, size_t length) {
  auto data = Zeros(length);
  data[0] = handle;
  return data;
}

}  // namespace

std::string Status::Describe() const {
  switch (kind) {
    case Kind::kOk:
      return "no error";
    case Kind::kDevice:
      return "error " + std::to_string(deviceError) + " (" + DescribeDeviceError(deviceError) + ")";
    case Kind::kLink:
    case Kind::kProtocol:
      return detail;
  }
  return detail;
}

Status Client::Call(Command command, std::vector<Argument> arguments, Response& response) {
  if (!linkFailure_.ok()) return linkFailure_;
  const auto code = static_cast<uint8_t>(command);
  const auto fail = [&](Status::Kind kind, std::string detail) {
    linkFailure_ = {kind, 0, std::string(CommandName(code)) + ": " + std::move(detail)};
    return linkFailure_;
  };
  if (auto error = transport_.Send(EncodeRequest({code, std::move(arguments)})); error != LinkError::kNone) {
    return fail(Status::Kind::kLink, transport_.Failure());
  }
  std::vector<uint8_t> packet;
  if (auto error = transport_.Receive(packet); error != LinkError::kNone) {
    return fail(Status::Kind::kLink, transport_.Failure());
  }
  received_ += packet.size();
  if (received_ > kMaxReceivedPerSession) {
    return fail(Status::Kind::kProtocol, "the handheld sent more than " +
                                             std::to_string(kMaxReceivedPerSession / (1024 * 1024)) +
                                             " MiB in one HotSync, more than any handheld holds; the HotSync was ended");
  }
  std::string problem;
  auto decoded = DecodeResponse(packet, problem);
  if (!decoded) return fail(Status::Kind::kProtocol, "the handheld's answer is malformed: " + problem);
  if (decoded->command != code) {
    return fail(Status::Kind::kProtocol, std::string("the handheld answered ") + CommandName(decoded->command));
  }
  response = std::move(*decoded);
  if (response.error != 0) return {Status::Kind::kDevice, response.error, {}};
  return {};
}

Status Client::FirstArgument(Command command, const Response& response, size_t minimum,
                             std::span<const uint8_t>& data) {
  const Argument* argument = response.Find(kFirstArgumentId);
  if (argument == nullptr || argument->data.size() < minimum) {
    linkFailure_ = {Status::Kind::kProtocol, 0,
                    std::string(CommandName(static_cast<uint8_t>(command))) + ": the handheld's answer is too short"};
    return linkFailure_;
  }
  data = argument->data;
  return {};
}

Status Client::Exchange(Command command, std::vector<Argument> arguments, size_t minimum,
                        std::span<const uint8_t>& answer, Response& response) {
  if (auto status = Call(command, std::move(arguments), response); !status.ok()) return status;
  return FirstArgument(command, response, minimum, answer);
}

Status Client::ReadUserInfo(UserInfo& user) {
  namespace layout = user_info;
  Response response;
  std::span<const uint8_t> data;
  if (auto status = Exchange(Command::kReadUserInfo, {}, layout::kNameOffset, data, response); !status.ok()) {
    return status;
  }
  ByteReader reader(data);
  user.userId = reader.U32Be(layout::kUserIdOffset);
  user.viewerId = reader.U32Be(layout::kViewerIdOffset);
  user.lastSyncPc = reader.U32Be(layout::kLastSyncPcOffset);
  user.successfulSync = ReadDate(reader, layout::kSuccessfulSyncDateOffset);
  user.lastSync = ReadDate(reader, layout::kLastSyncDateOffset);
  const size_t nameLength = reader.U8(layout::kNameLengthOffset);
  user.name = reader.Text(layout::kNameOffset, nameLength);
  return {};
}

Status Client::WriteUserInfo(const UserInfo& user, UserInfoChanges changes) {
  namespace layout = user_info;
  auto data = Zeros(layout::kWriteNameOffset);
  ByteWriter writer(data);
  writer.U32Be(layout::kUserIdOffset, user.userId);
  writer.U32Be(layout::kViewerIdOffset, user.viewerId);
  writer.U32Be(layout::kLastSyncPcOffset, user.lastSyncPc);
  WriteDate(writer, layout::kWriteLastSyncDateOffset, user.lastSync);
  uint8_t modified = layout::kModifyLastSyncPc | layout::kModifySyncDate;
  if (changes.name) modified |= layout::kModifyName;
  if (changes.userId) modified |= layout::kModifyUserId;
  writer.U8(layout::kWriteModifiedFlagsOffset, modified);
  // Without kModifyName the name goes along and the handheld leaves its own.
  const std::string name = user.name.substr(0, layout::kMaxNameLength - 1);
  writer.U8(layout::kWriteNameLengthOffset, static_cast<uint8_t>(name.size() + 1));
  AppendName(data, name);
  Response response;
  return Call(Command::kWriteUserInfo, {{kFirstArgumentId, std::move(data)}}, response);
}

Status Client::ReadSysInfo(SysInfo& info) {
  namespace layout = sys_info;
  auto request = Zeros(layout::kRequestLength);
  ByteWriter writer(request);
  writer.U16Be(layout::kRequestMajorOffset, kDesktopDlpMajor);
  writer.U16Be(layout::kRequestMinorOffset, kDesktopDlpMinor);
  Response response;
  std::span<const uint8_t> data;
  if (auto status = Exchange(Command::kReadSysInfo, {{kFirstArgumentId, std::move(request)}}, layout::kProductIdOffset, data, response); !status.ok()) return status;
  ByteReader reader(data);
  info.romVersion = reader.U32Be(layout::kRomVersionOffset);
  info.locale = reader.U32Be(layout::kLocaleOffset);
  if (const Argument* version = response.Find(kSecondArgumentId);
      version != nullptr && version->data.size() >= layout::kVersionArgumentLength) {
    ByteReader versionReader(version->data);
    info.dlpMajor = versionReader.U16Be(layout::kDlpMajorOffset);
    info.dlpMinor = versionReader.U16Be(layout::kDlpMinorOffset);
    info.maxRecordSize = versionReader.U32Be(layout::kMaxRecordSizeOffset);
  } else {
    // Only DLP 1.2 and later say; 1.1 brought the preference commands.
    info.dlpMajor = 1;
    info.dlpMinor = 1;
  }
  return {};
}

Status Client::ReadListPage(uint16_t start, bool multiple, std::vector<DatabaseInfo>& databases, uint16_t& lastIndex,
                            bool& more) {
  namespace layout = db_list;
  auto request = Zeros(layout::kRequestLength);
  ByteWriter writer(request);
  writer.U8(layout::kRequestFlagsOffset, static_cast<uint8_t>(layout::kRam | (multiple ? layout::kMultiple : 0)));
  writer.U8(layout::kRequestCardOffset, 0);
  writer.U16Be(layout::kRequestStartOffset, start);
  Response response;
  std::span<const uint8_t> data;
  if (auto status = Exchange(Command::kReadDbList, {{kFirstArgumentId, std::move(request)}}, layout::kEntriesOffset,
                             data, response);
      !status.ok()) {
    return status;
  }
  ByteReader reader(data);
  lastIndex = reader.U16Be(layout::kLastIndexOffset);
  more = (reader.U8(layout::kFlagsOffset) & layout::kMoreFlag) != 0;
  const uint8_t count = reader.U8(layout::kCountOffset);
  size_t offset = layout::kEntriesOffset;
  for (uint8_t i = 0; i < count; ++i) {
    const size_t length = reader.U8(offset + layout::kEntryLengthOffset);
    if (length < layout::kEntryNameOffset || !reader.Has(offset, length)) {
      linkFailure_ = {Status::Kind::kProtocol, 0, "ReadDBList: the handheld's database list is malformed"};
      return linkFailure_;
    }
    DatabaseInfo info;
    info.attributes = reader.U16Be(offset + layout::kEntryAttributesOffset);
    info.type = reader.U32Be(offset + layout::kEntryTypeOffset);
    info.creator = reader.U32Be(offset + layout::kEntryCreatorOffset);
    info.version = reader.U16Be(offset + layout::kEntryVersionOffset);
    info.modificationNumber = reader.U32Be(offset + layout::kEntryModificationNumberOffset);
    info.modified = ReadDate(reader, offset + layout::kEntryModificationDateOffset);
    info.index = reader.U16Be(offset + layout::kEntryIndexOffset);
    info.name = reader.Text(offset + layout::kEntryNameOffset,
                            std::min(layout::kNameLength, length - layout::kEntryNameOffset));
    databases.push_back(std::move(info));
    offset += length;
  }
  if (count == 0) more = false;
  return {};
}

Status Client::ReadDatabaseList(std::vector<DatabaseInfo>& databases) {
  databases.clear();
  uint16_t start = 0;
  for (;;) {
    uint16_t lastIndex = 0;
    bool more = false;
    const auto status = ReadListPage(start, true, databases, lastIndex, more);
    if (status.IsDeviceError(kErrNotFound)) return {};  // past the last database
    if (!status.ok()) return status;
    if (databases.size() > kMaxDatabases) {
      linkFailure_ = {Status::Kind::kProtocol, 0,
                      "ReadDBList: the handheld lists more than " + std::to_string(kMaxDatabases) +
                          " databases, more than any handheld holds; the HotSync was ended"};
      return linkFailure_;
    }
    // A list that would run past the last index a request can name ends there.
    if (!more || lastIndex < start || lastIndex == 0xFFFF) return {};
    start = static_cast<uint16_t>(lastIndex + 1);
  }
}

Status Client::ReadDatabaseInfo(uint16_t index, DatabaseInfo& database) {
  std::vector<DatabaseInfo> found;
  uint16_t lastIndex = 0;
  bool more = false;
  if (auto status = ReadListPage(index, false, found, lastIndex, more); !status.ok()) return status;
  if (found.empty()) return {Status::Kind::kDevice, kErrNotFound, {}};
  database = std::move(found.front());
  return {};
}

Status Client::OpenDb(const std::string& name, uint8_t mode, uint8_t& handle) {
  std::vector<uint8_t> data{0, mode};
  AppendName(data, name);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kOpenDb, {{kFirstArgumentId, std::move(data)}}, 1, answer, response); !status.ok()) return status;
  handle = answer[0];
  return {};
}

Status Client::CreateDb(const NewDatabase& database, uint8_t& handle) {
  namespace layout = create_db;
  auto data = Zeros(layout::kNameOffset);
  ByteWriter writer(data);
  writer.U32Be(layout::kCreatorOffset, database.creator);
  writer.U32Be(layout::kTypeOffset, database.type);
  writer.U8(layout::kCardOffset, 0);
  writer.U16Be(layout::kAttributesOffset, database.attributes);
  writer.U16Be(layout::kVersionOffset, database.version);
  AppendName(data, database.name);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kCreateDb, {{kFirstArgumentId, std::move(data)}}, 1, answer, response); !status.ok()) return status;
  handle = answer[0];
  return {};
}

Status Client::CloseDb(uint8_t handle) {
  Response response;
  return Call(Command::kCloseDb, {{kFirstArgumentId, {handle}}}, response);
}

Status Client::DeleteDb(const std::string& name) {
  std::vector<uint8_t> data{0, 0};
  AppendName(data, name);
  Response response;
  return Call(Command::kDeleteDb, {{kFirstArgumentId, std::move(data)}}, response);
}

Status Client::ReadOpenDbInfo(uint8_t handle, uint16_t& recordCount) {
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadOpenDbInfo, {{kFirstArgumentId, {handle}}}, 2, answer, response); !status.ok()) return status;
  recordCount = ByteReader(answer).U16Be(open_db_info::kRecordCountOffset);
  return {};
}

namespace {

void DecodeRecord(std::span<const uint8_t> answer, RecordData& record) {
  namespace layout = read_record;
  ByteReader reader(answer);
  record.id = reader.U32Be(layout::kAnswerIdOffset);
  record.index = reader.U16Be(layout::kAnswerIndexOffset);
  record.size = reader.U16Be(layout::kAnswerSizeOffset);
  record.attributes = reader.U8(layout::kAnswerAttributesOffset);
  record.category = reader.U8(layout::kAnswerCategoryOffset);
  record.data.assign(answer.begin() + layout::kAnswerDataOffset, answer.end());
}

}  // namespace

Status Client::ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t maxLength, RecordData& record) {
  namespace layout = read_record;
  auto data = HandleBlock(handle, layout::kByIndexLength);
  ByteWriter writer(data);
  writer.U16Be(layout::kIndexOffset, index);
  writer.U16Be(layout::kByIndexReadOffsetOffset, 0);
  writer.U16Be(layout::kByIndexReadLengthOffset, maxLength);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadRecord, {{kSecondArgumentId, std::move(data)}}, layout::kAnswerDataOffset, answer, response); !status.ok()) return status;
  DecodeRecord(answer, record);
  return {};
}

Status Client::ReadRecordById(uint8_t handle, uint32_t id, uint16_t maxLength, RecordData& record) {
  namespace layout = read_record;
  auto data = HandleBlock(handle, layout::kByIdLength);
  ByteWriter writer(data);
  writer.U32Be(layout::kIdOffset, id);
  writer.U16Be(layout::kByIdReadOffsetOffset, 0);
  writer.U16Be(layout::kByIdReadLengthOffset, maxLength);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadRecord, {{kFirstArgumentId, std::move(data)}}, layout::kAnswerDataOffset, answer, response); !status.ok()) return status;
  DecodeRecord(answer, record);
  return {};
}

Status Client::WriteRecord(uint8_t handle, const RecordData& record, uint32_t& newId) {
  namespace layout = write_record;
  auto data = HandleBlock(handle, layout::kDataOffset);
  ByteWriter writer(data);
  writer.U8(layout::kFlagsOffset, layout::kDataIncluded);
  writer.U32Be(layout::kIdOffset, record.id);
  writer.U8(layout::kAttributesOffset, record.attributes);
  writer.U8(layout::kCategoryOffset, record.category);
  data.insert(data.end(), record.data.begin(), record.data.end());
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kWriteRecord, {{kFirstArgumentId, std::move(data)}}, 4, answer, response); !status.ok()) return status;
  newId = ByteReader(answer).U32Be(0);
  return {};
}

Status Client::DeleteRecord(uint8_t handle, uint32_t id, uint8_t flags) {
  namespace layout = delete_record;
  auto data = HandleBlock(handle, layout::kLength);
  ByteWriter writer(data);
  writer.U8(layout::kFlagsOffset, flags);
  writer.U32Be(layout::kIdOffset, id);
  Response response;
  return Call(Command::kDeleteRecord, {{kFirstArgumentId, std::move(data)}}, response);
}

namespace {

void DecodeResource(std::span<const uint8_t> answer, ResourceData& resource) {
  namespace layout = read_resource;
  ByteReader reader(answer);
  resource.type = reader.U32Be(layout::kAnswerTypeOffset);
  resource.id = reader.U16Be(layout::kAnswerIdOffset);
  resource.index = reader.U16Be(layout::kAnswerIndexOffset);
  resource.data.assign(answer.begin() + layout::kAnswerDataOffset, answer.end());
}

}  // namespace

Status Client::ReadResourceByIndex(uint8_t handle, uint16_t index, ResourceData& resource) {
  namespace layout = read_resource;
  auto data = HandleBlock(handle, layout::kByIndexLength);
  ByteWriter writer(data);
  writer.U16Be(layout::kIndexOffset, index);
  writer.U16Be(layout::kByIndexReadLengthOffset, kReadWhole);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadResource, {{kFirstArgumentId, std::move(data)}}, layout::kAnswerDataOffset, answer, response); !status.ok()) return status;
  DecodeResource(answer, resource);
  return {};
}

Status Client::ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id, ResourceData& resource) {
  namespace layout = read_resource;
  auto data = HandleBlock(handle, layout::kByTypeLength);
  ByteWriter writer(data);
  writer.U32Be(layout::kTypeOffset, type);
  writer.U16Be(layout::kIdOffset, id);
  writer.U16Be(layout::kByTypeReadLengthOffset, kReadWhole);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadResource, {{kSecondArgumentId, std::move(data)}}, layout::kAnswerDataOffset, answer, response); !status.ok()) return status;
  DecodeResource(answer, resource);
  return {};
}

Status Client::WriteResource(uint8_t handle, const ResourceData& resource) {
  namespace layout = write_resource;
  auto data = HandleBlock(handle, layout::kDataOffset);
  ByteWriter writer(data);
  writer.U32Be(layout::kTypeOffset, resource.type);
  writer.U16Be(layout::kIdOffset, resource.id);
  writer.U16Be(layout::kSizeOffset, static_cast<uint16_t>(resource.data.size()));
  data.insert(data.end(), resource.data.begin(), resource.data.end());
  Response response;
  return Call(Command::kWriteResource, {{kFirstArgumentId, std::move(data)}}, response);
}

namespace {

std::vector<uint8_t> BlockRequest(uint8_t handle, std::span<const uint8_t> block) {
  namespace layout = write_block;
  auto data = HandleBlock(handle, layout::kDataOffset);
  ByteWriter(data).U16Be(layout::kSizeOffset, static_cast<uint16_t>(block.size()));
  data.insert(data.end(), block.begin(), block.end());
  return data;
}

}  // namespace

Status Client::ReadAppBlock(uint8_t handle, std::vector<uint8_t>& block) {
  namespace layout = read_block;
  auto data = HandleBlock(handle, layout::kLength);
  ByteWriter(data).U16Be(layout::kReadLengthOffset, kReadWhole);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadAppBlock, {{kFirstArgumentId, std::move(data)}}, layout::kAnswerDataOffset, answer, response); !status.ok()) return status;
  block.assign(answer.begin() + layout::kAnswerDataOffset, answer.end());
  return {};
}

Status Client::WriteAppBlock(uint8_t handle, std::span<const uint8_t> block) {
  Response response;
  return Call(Command::kWriteAppBlock, {{kFirstArgumentId, BlockRequest(handle, block)}}, response);
}

Status Client::WriteSortBlock(uint8_t handle, std::span<const uint8_t> block) {
  Response response;
  return Call(Command::kWriteSortBlock, {{kFirstArgumentId, BlockRequest(handle, block)}}, response);
}

Status Client::ReadAppPreference(uint32_t creator, uint16_t id, bool backedUp, uint16_t maxLength,
                                 PreferenceData& preference) {
  namespace layout = app_preference;
  auto data = Zeros(layout::kReadRequestLength);
  ByteWriter writer(data);
  writer.U32Be(layout::kCreatorOffset, creator);
  writer.U16Be(layout::kIdOffset, id);
  writer.U16Be(layout::kReadLengthOffset, maxLength);
  writer.U8(layout::kReadFlagsOffset, backedUp ? layout::kBackedUp : 0);
  Response response;
  std::span<const uint8_t> answer;
  if (auto status = Exchange(Command::kReadAppPreference, {{kFirstArgumentId, std::move(data)}},
                             layout::kAnswerDataOffset, answer, response);
      !status.ok()) {
    return status;
  }
  ByteReader reader(answer);
  preference.version = reader.U16Be(layout::kAnswerVersionOffset);
  preference.storedSize = reader.U16Be(layout::kAnswerStoredSizeOffset);
  const size_t returned = reader.U16Be(layout::kAnswerReturnedSizeOffset);
  const auto bytes = reader.Bytes(layout::kAnswerDataOffset, std::min(returned, answer.size() - layout::kAnswerDataOffset));
  preference.data.assign(bytes.begin(), bytes.end());
  return {};
}

Status Client::WriteAppPreference(uint32_t creator, uint16_t id, bool backedUp, uint16_t version,
                                  std::span<const uint8_t> bytes) {
  namespace layout = app_preference;
  auto data = Zeros(layout::kWriteDataOffset);
  ByteWriter writer(data);
  writer.U32Be(layout::kCreatorOffset, creator);
  writer.U16Be(layout::kIdOffset, id);
  writer.U16Be(layout::kWriteVersionOffset, version);
  writer.U16Be(layout::kWriteSizeOffset, static_cast<uint16_t>(bytes.size()));
  writer.U8(layout::kWriteFlagsOffset, backedUp ? layout::kBackedUp : 0);
  data.insert(data.end(), bytes.begin(), bytes.end());
  Response response;
  return Call(Command::kWriteAppPreference, {{kFirstArgumentId, std::move(data)}}, response);
}

Status Client::AddSyncLogEntry(const std::string& text) {
  std::vector<uint8_t> data;
  AppendName(data, text);
  Response response;
  return Call(Command::kAddSyncLogEntry, {{kFirstArgumentId, std::move(data)}}, response);
}

Status Client::OpenConduit() {
  Response response;
  return Call(Command::kOpenConduit, {}, response);
}

Status Client::EndOfSync(uint16_t status) {
  std::vector<uint8_t> data(2);
  ByteWriter(data).U16Be(0, status);
  Response response;
  return Call(Command::kEndOfSync, {{kFirstArgumentId, std::move(data)}}, response);
}

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
