#include "query_server.h"


#include "log_line.h"
#include "program_record.h"
#include "sync_manager.h"
#include "url_encoding.h"

namespace oq {

namespace {

constexpr const char* kInitQuery = "init=true";
constexpr uint16_t kYieldCycles = 1;

std::string ProgramQuery(program_record::ConstSlot record) {
  namespace layout = program_record;
  struct Parameter {
    const char* key;
    std::string value;
  };
  const Parameter parameters[] = {
      {"type", layout::CodeText(record, layout::kTypeCodeOffset)},
      {"creator", layout::CodeText(record, layout::kCreatorCodeOffset)},
      {"name", layout::TextField(record, layout::kProgramNameOffset, layout::kProgramNameLength)},
      {"altname", layout::TextField(record, layout::kAltNameOffset, layout::kAltNameLength)},
      {"ver", layout::TextField(record, layout::kInstalledVersionOffset, layout::kVersionLength)},
  };
  std::string url = QueryBaseUrl();
  std::string encoded;
  for (const auto& parameter : parameters) {
    if (parameter.key != parameters[0].key) url += '&';
    UrlEncode(parameter.value.c_str(), encoded);
    url += parameter.key;
    url += '=';
    url += encoded;
  }
  return url;
}

}  // namespace

const char* QueryBaseUrl() { return "http://" ORBITQUAIL_TRACKER_HOST "/query.php?"; }

bool QueryServer(TrackQueryClient& client, const char* userAgent, const uint8_t* record,
                 std::string& text, ServerReply& reply) {
  if (record != nullptr) {
    text = ProgramQuery(program_record::ConstSlot(record, program_record::kSlotSize));
  } else {
    text = QueryBaseUrl();
    text += kInitQuery;
  }
  LogDiagnostic(text.c_str());
  SyncYieldCycles(kYieldCycles);

  if (client.SendGet(text.c_str(), userAgent) && client.lastStatusCode == platform::kHttpStatusOk) {
    client.ReadBody(text);
    LogDiagnostic(text.c_str());
    reply.ParseReply(text.c_str());
    switch (reply.status) {
      case ReplyStatus::Okay:
        LogDiagnostic("  status is okay");
        return true;
      case ReplyStatus::NoData:
        LogDiagnostic("  status is no version data");
        return true;
      case ReplyStatus::OldClient:
        LogError("OrbitQuail conduit version is too old.");
        LogError("  Please install new version.");
        return false;
      default:
        LogError("Retrieved status is unknown.");
        return false;
    }
  }

  if (record != nullptr) {
    const std::string name = program_record::TextField(program_record::ConstSlot(record, program_record::kSlotSize),
                                                       program_record::kProgramNameOffset,
                                                       program_record::kProgramNameLength);
    text = name + ": Failed to get data from server.";
    LogError(text.c_str());
  } else {
    LogError("Failed to init with OrbitQuail server.");
  }
  return false;
}

}  // namespace oq
