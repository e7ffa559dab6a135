#include "tracking_pass.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "log_line.h"
#include "program_record.h"
#include "query_server.h"
#include "sync_manager.h"
#include "tracker_preference.h"

namespace oq {

namespace {

namespace layout = program_record;

// A server that vanished mid-pass would otherwise cost one full time-out per
// program; a single lost reply is still forgiven.
constexpr uint32_t kUnansweredQueriesLimit = 2;

layout::Slot SlotAt(uint8_t* slots, uint32_t index) {
  return layout::Slot(slots + static_cast<size_t>(index) * layout::kSlotSize, layout::kSlotSize);
}

// A record is tracked unless excluded, or marked to be skipped while the
// preference says skipped records are left out.
bool IsSelected(layout::ConstSlot slot, uint8_t useSkipFlag) {
  return !layout::IsExcluded(slot) && (useSkipFlag == 0 || !layout::IsMarkedToSkip(slot));
}

// Latest version and release date from an Okay reply.
void StoreVersionData(layout::Slot slot, const ServerReply& reply) {
  layout::SetLatestVersion(slot, reply.version);
  const ReleaseDate date = reply.ParseReleaseDate();
  layout::SetReleaseDate(slot, {date.yearByte, date.month, date.day, date.spare});
}

// Reads every record into the slots, keeping the selected ones packed at
// the front. Returns 0 or the failed read's code; `selected` gets the count.
int32_t ReadCatalogue(uint8_t dbHandle, uint32_t count, uint8_t useSkipFlag, uint8_t* slots,
                      RawRecordDescriptor* descriptors, uint32_t& selected) {
  selected = 0;
  for (uint32_t i = 0; i < count; ++i) {
    RawRecordDescriptor& descriptor = descriptors[selected];
    const layout::Slot slot = SlotAt(slots, selected);
    std::memset(&descriptor, 0, sizeof descriptor);
    descriptor.dbHandle = dbHandle;
    descriptor.recordIndex = static_cast<uint16_t>(i);
    descriptor.bufferSize = layout::kSlotSize;
    descriptor.buffer = slot.data();
    const int32_t result = SyncReadRecordByIndex(&descriptor);
    if (result != 0) {
      LogError("Failed to read data from App DB.");
      return result;
    }
    if (IsSelected(slot, useSkipFlag)) ++selected;
  }
  return 0;
}

// Asks about each selected record in catalogue order and writes every
// usable answer back at once. Returns 0, -1 or a failed write's code.
int32_t TrackSelected(TrackQueryClient& client, std::string& text, ServerReply& reply, ProgressWindow& progress,
                      uint8_t* slots, RawRecordDescriptor* descriptors, uint32_t selected) {
  uint32_t unansweredInARow = 0;
  for (uint32_t j = 0; j < selected; ++j) {
    char line[32];
    std::snprintf(line, sizeof line, "To be tracked: %d", static_cast<int>(selected - j));
    progress.SetProgressText(line);

    const layout::Slot slot = SlotAt(slots, j);
    const bool usable = QueryServer(client, kUserAgent, slot.data(), text, reply);
    unansweredInARow = client.lastRequestAnswered ? 0 : unansweredInARow + 1;
    if (!usable) {
      if (client.lastStatusCode != platform::kHttpStatusOk) return -1;
      if (unansweredInARow == kUnansweredQueriesLimit) {
        LogError("The server did not answer two queries in a row; tracking stopped.");
        return -1;
      }
      continue;  // an unusable answer under 200 leaves the record as it is
    }
    if (reply.status == ReplyStatus::Okay) StoreVersionData(slot, reply);
    const size_t length = layout::SetMessage(slot, reply.msg);

    RawRecordDescriptor& descriptor = descriptors[j];
    descriptor.recordIndex = 0;
    descriptor.recordSize = static_cast<uint32_t>(layout::kWrittenLengthBase + length);
    const int32_t result = SyncWriteRec(&descriptor);
    if (result != 0) {
      LogError("Failed to write data into App DB.");
      return result;
    }
  }
  return 0;
}

}  // namespace

int32_t RunTrackingPass(uint8_t dbHandle, ProgressWindow& progress) {
  uint8_t preference[tracker_preference::kSize] = {};
  if (const int result = ReadTrackerPreference(preference); result != 0) return result;

  // Released in reverse: the arrays, then the client, then text and reply.
  ServerReply reply;
  std::string text;
  TrackQueryClient client;

  progress.SetProgressText("Connecting to Internet...");
  const bool initialised = QueryServer(client, kUserAgent, nullptr, text, reply);
  // A server that gave no answer leaves the message it last gave.
  if (reply.status != ReplyStatus::Unknown) {
    StoreServerMessage(preference, reply.msg);
    if (const int result = WriteTrackerPreference(preference); result != 0) return result;
  }
  if (!initialised) return reply.status == ReplyStatus::OldClient ? 0 : -1;

  DbInfoRequest request{sync::kDbInfoWantCount, dbHandle};
  DbInfoBlock info;
  std::memset(&info, 0, sizeof info);
  if (const int32_t result = SyncReadOpenDbInfo(&request, &info); result != 0) {
    LogError("Failed to open App DB.");
    return result;
  }
  progress.SetProgressText("Reading App DB...");

  const uint32_t count = info.recordCount;
  std::unique_ptr<uint8_t[]> slots;
  std::unique_ptr<RawRecordDescriptor[]> descriptors;
  if (count <= std::numeric_limits<size_t>::max() / layout::kSlotSize) {
    slots.reset(new (std::nothrow) uint8_t[static_cast<size_t>(count) * layout::kSlotSize]());
    descriptors.reset(new (std::nothrow) RawRecordDescriptor[count]());
  }
  if ((!slots || !descriptors) && count > 0) {
    LogError("Not enough memory to read App DB.");
    return -1;
  }

  uint32_t selected = 0;
  const uint8_t useSkipFlag = preference[tracker_preference::kUseSkipFlagOffset];
  if (const int32_t result = ReadCatalogue(dbHandle, count, useSkipFlag, slots.get(), descriptors.get(), selected);
      result != 0) {
    return result;
  }
  return TrackSelected(client, text, reply, progress, slots.get(), descriptors.get(), selected);
}

}  // namespace oq
