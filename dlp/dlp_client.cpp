#include "dlp_client.h"

#include <algorithm>

#include "dlp_fields.h"

namespace oq::dlp {

std::string Status::Describe() const {
  switch (kind) {
    case Kind::kOk: return "no error";
    case Kind::kDevice: return "error " + std::to_string(deviceError) + " (" + DescribeDeviceError(deviceError) + ")";
    case Kind::kLink:
    case Kind::kProtocol: return detail;
  }
  return detail;
}

Status Client::Call(const RequestBuilder& request, Response& response) {
  if (!linkFailure_.ok()) return linkFailure_;
  const auto code = static_cast<uint8_t>(request.layout().command);
  if (!request.problem().empty()) {
    // The link is as it was: nothing went out.
    return {Status::Kind::kProtocol, 0,
            std::string(CommandName(code)) + ": " + request.problem() + "; nothing was sent"};
  }
  const auto fail = [&](Status::Kind kind, std::string detail) {
    linkFailure_ = {kind, 0, std::string(CommandName(code)) + ": " + std::move(detail)};
    return linkFailure_;
  };
  if (auto error = transport_.Send(EncodeRequest(request.Build())); error != LinkError::kNone) {
    return fail(Status::Kind::kLink, transport_.Failure());
  }
  std::vector<uint8_t> packet;
  if (auto error = transport_.Receive(packet); error != LinkError::kNone) {
    return fail(Status::Kind::kLink, transport_.Failure());
  }
  received_ += packet.size();
  if (received_ > kMaxReceivedPerSession) {
    return fail(Status::Kind::kProtocol,
                "the handheld sent more than " + std::to_string(kMaxReceivedPerSession / (1024 * 1024)) +
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
  if (const size_t least = request.layout().answerLength; least != 0 && AnswerReader(response).size() < least) {
    return fail(Status::Kind::kProtocol, "the handheld's answer is too short");
  }
  return {};
}

Status Client::ReadUserInfo(UserInfo& user) {
  namespace layout = user_info;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest), response); !status.ok()) return status;
  AnswerReader answer(response);
  answer.Read(layout::kUserId, user.userId);
  answer.Read(layout::kViewerId, user.viewerId);
  answer.Read(layout::kLastSyncPc, user.lastSyncPc);
  user.successfulSync = answer.Date(layout::kSuccessfulSyncDate);
  user.lastSync = answer.Date(layout::kLastSyncDate);
  size_t nameLength = 0;
  answer.Read(layout::kNameLength, nameLength);
  user.name = answer.Text(layout::kNameOffset, nameLength);
  return {};
}

Status Client::WriteUserInfo(const UserInfo& user, UserInfoChanges changes) {
  namespace layout = write_user_info;
  uint8_t modified = layout::kModifyLastSyncPc | layout::kModifySyncDate;
  if (changes.name) modified |= layout::kModifyName;
  if (changes.userId) modified |= layout::kModifyUserId;
  // Without kModifyName the name goes along and the handheld leaves its own.
  const std::string name = user.name.substr(0, user_info::kMaxNameLength - 1);
  Response response;
  return Call(RequestBuilder(layout::kRequest)
                  .Set(layout::kUserId, user.userId)
                  .Set(layout::kViewerId, user.viewerId)
                  .Set(layout::kLastSyncPc, user.lastSyncPc)
                  .Set(layout::kLastSyncDate, user.lastSync)
                  .Set(layout::kModifiedFlags, modified)
                  .Set(layout::kNameLength, name.size() + 1)
                  .AppendText(name),
              response);
}

Status Client::ReadSysInfo(SysInfo& info) {
  namespace layout = sys_info;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest)
                             .Set(layout::kDesktopDlpMajor, kDesktopDlpMajor)
                             .Set(layout::kDesktopDlpMinor, kDesktopDlpMinor),
                         response);
      !status.ok()) {
    return status;
  }
  AnswerReader answer(response);
  answer.Read(layout::kRomVersion, info.romVersion);
  answer.Read(layout::kLocale, info.locale);
  if (AnswerReader version(response, kSecondArgumentId); version.size() >= layout::kVersionArgumentLength) {
    version.Read(layout::kDlpMajor, info.dlpMajor);
    version.Read(layout::kDlpMinor, info.dlpMinor);
    version.Read(layout::kMaxRecordSize, info.maxRecordSize);
  } else {
    // Only DLP 1.2 and later say. 1.1, which brought the preference
    // commands, came with Palm OS 2; Palm OS 1 speaks 1.0.
    info.dlpMajor = 1;
    info.dlpMinor = info.romVersion >> sys_info::kRomMajorShift >= 2 ? 1 : 0;
  }
  return {};
}

Status Client::OpenDb(const std::string& name, uint8_t mode, uint8_t& handle) {
  namespace layout = open_db;
  Response response;
  if (auto status = Call(
          RequestBuilder(layout::kRequest).Set(layout::kCard, 0).Set(layout::kMode, mode).AppendText(name), response);
      !status.ok()) {
    return status;
  }
  AnswerReader(response).Read(layout::kHandle, handle);
  return {};
}

Status Client::CreateDb(const NewDatabase& database, uint8_t& handle) {
  namespace layout = create_db;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest)
                             .Set(layout::kCreator, database.creator)
                             .Set(layout::kType, database.type)
                             .Set(layout::kCard, 0)
                             .Set(layout::kAttributes, database.attributes)
                             .Set(layout::kVersion, database.version)
                             .AppendText(database.name),
                         response);
      !status.ok()) {
    return status;
  }
  AnswerReader(response).Read(layout::kHandle, handle);
  return {};
}

Status Client::CloseDb(uint8_t handle) {
  Response response;
  return Call(RequestBuilder(close_db::kRequest).Set(close_db::kHandle, handle), response);
}

Status Client::DeleteDb(const std::string& name) {
  Response response;
  return Call(RequestBuilder(delete_db::kRequest).Set(delete_db::kCard, 0).AppendText(name), response);
}

Status Client::ReadOpenDbInfo(uint8_t handle, uint16_t& recordCount) {
  namespace layout = open_db_info;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest).Set(layout::kHandle, handle), response); !status.ok()) {
    return status;
  }
  AnswerReader(response).Read(layout::kRecordCount, recordCount);
  return {};
}

Status Client::ReadRecord(const RequestBuilder& request, RecordData& record) {
  namespace layout = read_record;
  Response response;
  if (auto status = Call(request, response); !status.ok()) return status;
  AnswerReader answer(response);
  answer.Read(layout::kAnswerId, record.id);
  answer.Read(layout::kAnswerIndex, record.index);
  answer.Read(layout::kAnswerSize, record.size);
  answer.Read(layout::kAnswerAttributes, record.attributes);
  answer.Read(layout::kAnswerCategory, record.category);
  const auto data = answer.From(layout::kAnswerDataOffset);
  record.data.assign(data.begin(), data.end());
  return {};
}

Status Client::ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t maxLength, RecordData& record) {
  namespace layout = read_record;
  return ReadRecord(RequestBuilder(layout::kByIndex)
                        .Set(layout::kHandle, handle)
                        .Set(layout::kIndex, index)
                        .Set(layout::kByIndexReadOffset, 0)
                        .Set(layout::kByIndexReadLength, maxLength),
                    record);
}

Status Client::ReadRecordById(uint8_t handle, uint32_t id, uint16_t maxLength, RecordData& record) {
  namespace layout = read_record;
  return ReadRecord(RequestBuilder(layout::kById)
                        .Set(layout::kHandle, handle)
                        .Set(layout::kId, id)
                        .Set(layout::kByIdReadOffset, 0)
                        .Set(layout::kByIdReadLength, maxLength),
                    record);
}

Status Client::WriteRecord(uint8_t handle, const RecordData& record, uint32_t& newId) {
  namespace layout = write_record;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest)
                             .Set(layout::kHandle, handle)
                             .Set(layout::kFlags, layout::kDataIncluded)
                             .Set(layout::kId, record.id)
                             .Set(layout::kAttributes, record.attributes)
                             .Set(layout::kCategory, record.category)
                             .Append(record.data),
                         response);
      !status.ok()) {
    return status;
  }
  AnswerReader(response).Read(layout::kNewId, newId);
  return {};
}

Status Client::DeleteRecord(uint8_t handle, uint32_t id, uint8_t flags) {
  namespace layout = delete_record;
  Response response;
  return Call(
      RequestBuilder(layout::kRequest).Set(layout::kHandle, handle).Set(layout::kFlags, flags).Set(layout::kId, id),
      response);
}

Status Client::ReadResource(const RequestBuilder& request, ResourceData& resource) {
  namespace layout = read_resource;
  Response response;
  if (auto status = Call(request, response); !status.ok()) return status;
  AnswerReader answer(response);
  answer.Read(layout::kAnswerType, resource.type);
  answer.Read(layout::kAnswerId, resource.id);
  answer.Read(layout::kAnswerIndex, resource.index);
  const auto data = answer.From(layout::kAnswerDataOffset);
  resource.data.assign(data.begin(), data.end());
  return {};
}

Status Client::ReadResourceByIndex(uint8_t handle, uint16_t index, ResourceData& resource) {
  namespace layout = read_resource;
  return ReadResource(RequestBuilder(layout::kByIndex)
                          .Set(layout::kHandle, handle)
                          .Set(layout::kIndex, index)
                          .Set(layout::kByIndexReadOffset, 0)
                          .Set(layout::kByIndexReadLength, kReadWhole),
                      resource);
}

Status Client::ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id, ResourceData& resource) {
  namespace layout = read_resource;
  return ReadResource(RequestBuilder(layout::kByType)
                          .Set(layout::kHandle, handle)
                          .Set(layout::kType, type)
                          .Set(layout::kId, id)
                          .Set(layout::kByTypeReadOffset, 0)
                          .Set(layout::kByTypeReadLength, kReadWhole),
                      resource);
}

Status Client::WriteResource(uint8_t handle, const ResourceData& resource) {
  namespace layout = write_resource;
  Response response;
  return Call(RequestBuilder(layout::kRequest)
                  .Set(layout::kHandle, handle)
                  .Set(layout::kType, resource.type)
                  .Set(layout::kId, resource.id)
                  .Set(layout::kSize, resource.data.size())
                  .Append(resource.data),
              response);
}

Status Client::ReadAppBlock(uint8_t handle, std::vector<uint8_t>& block) {
  namespace layout = read_block;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest)
                             .Set(layout::kHandle, handle)
                             .Set(layout::kReadOffset, 0)
                             .Set(layout::kReadLength, kReadWhole),
                         response);
      !status.ok()) {
    return status;
  }
  const auto data = AnswerReader(response).From(layout::kAnswerDataOffset);
  block.assign(data.begin(), data.end());
  return {};
}

Status Client::WriteBlock(const RequestLayout& request, uint8_t handle, std::span<const uint8_t> block) {
  namespace layout = write_block;
  Response response;
  return Call(RequestBuilder(request).Set(layout::kHandle, handle).Set(layout::kSize, block.size()).Append(block),
              response);
}

Status Client::WriteAppBlock(uint8_t handle, std::span<const uint8_t> block) {
  return WriteBlock(write_block::kAppBlock, handle, block);
}

Status Client::WriteSortBlock(uint8_t handle, std::span<const uint8_t> block) {
  return WriteBlock(write_block::kSortBlock, handle, block);
}

Status Client::ReadAppPreference(uint32_t creator, uint16_t id, bool backedUp, uint16_t maxLength,
                                 PreferenceData& preference) {
  namespace layout = app_preference;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRead)
                             .Set(layout::kCreator, creator)
                             .Set(layout::kId, id)
                             .Set(layout::kReadLength, maxLength)
                             .Set(layout::kReadFlags, backedUp ? layout::kBackedUp : 0),
                         response);
      !status.ok()) {
    return status;
  }
  AnswerReader answer(response);
  answer.Read(layout::kAnswerVersion, preference.version);
  answer.Read(layout::kAnswerStoredSize, preference.storedSize);
  size_t returned = 0;
  answer.Read(layout::kAnswerReturnedSize, returned);
  const auto data = answer.From(layout::kAnswerDataOffset);
  preference.data.assign(data.begin(), data.begin() + static_cast<ptrdiff_t>(std::min(returned, data.size())));
  return {};
}

Status Client::WriteAppPreference(uint32_t creator, uint16_t id, bool backedUp, uint16_t version,
                                  std::span<const uint8_t> bytes) {
  namespace layout = app_preference;
  Response response;
  return Call(RequestBuilder(layout::kWrite)
                  .Set(layout::kCreator, creator)
                  .Set(layout::kId, id)
                  .Set(layout::kWriteVersion, version)
                  .Set(layout::kWriteSize, bytes.size())
                  .Set(layout::kWriteFlags, backedUp ? layout::kBackedUp : 0)
                  .Append(bytes),
              response);
}

Status Client::AddSyncLogEntry(const std::string& text) {
  Response response;
  return Call(RequestBuilder(sync_log::kRequest).AppendText(text), response);
}

Status Client::OpenConduit() {
  Response response;
  return Call(RequestBuilder(open_conduit::kRequest), response);
}

Status Client::EndOfSync(uint16_t status) {
  Response response;
  return Call(RequestBuilder(end_of_sync::kRequest).Set(end_of_sync::kStatus, status), response);
}

}  // namespace oq::dlp
