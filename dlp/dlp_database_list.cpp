// The handheld's database list, which it gives a page at a time.
#include <algorithm>

#include "dlp_client.h"
#include "dlp_fields.h"

namespace oq::dlp {

Status Client::ReadListPage(uint16_t start, bool multiple, std::vector<DatabaseInfo>& databases, uint16_t& lastIndex,
                            bool& more) {
  namespace layout = db_list;
  Response response;
  if (auto status = Call(RequestBuilder(layout::kRequest)
                             .Set(layout::kRequestFlags, layout::kRam | (multiple ? layout::kMultiple : 0))
                             .Set(layout::kCard, 0)
                             .Set(layout::kStart, start),
                         response);
      !status.ok()) {
    return status;
  }
  AnswerReader answer(response);
  answer.Read(layout::kLastIndex, lastIndex);
  uint8_t flags = 0;
  uint8_t count = 0;
  answer.Read(layout::kAnswerFlags, flags);
  answer.Read(layout::kCount, count);
  more = count != 0 && (flags & layout::kMoreFlag) != 0;
  size_t offset = layout::kEntriesOffset;
  for (uint8_t i = 0; i < count; ++i) {
    size_t length = 0;
    AnswerReader(answer.From(offset)).Read(layout::kEntryLength, length);
    AnswerReader entry(answer.Slice(offset, length));
    if (length < layout::kEntryNameOffset || entry.size() != length) {
      linkFailure_ = {Status::Kind::kProtocol, 0, "ReadDBList: the handheld's database list is malformed"};
      return linkFailure_;
    }
    DatabaseInfo info;
    entry.Read(layout::kEntryAttributes, info.attributes);
    entry.Read(layout::kEntryType, info.type);
    entry.Read(layout::kEntryCreator, info.creator);
    entry.Read(layout::kEntryVersion, info.version);
    entry.Read(layout::kEntryModificationNumber, info.modificationNumber);
    info.modified = entry.Date(layout::kEntryModificationDate);
    entry.Read(layout::kEntryIndex, info.index);
    info.name = entry.Text(layout::kEntryNameOffset, std::min(layout::kNameLength, length - layout::kEntryNameOffset));
    databases.push_back(std::move(info));
    offset += length;
  }
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

}  // namespace oq::dlp
