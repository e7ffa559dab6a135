#include "query_server.h"

#include "log_line.h"
#include "log_texts.h"
#include "program_record.h"
#include "sync_manager.h"
#include "url_encoding.h"

namespace oq {

namespace {

constexpr const char* kInitQuery = "init=true";
constexpr uint16_t kYieldCycles = 1;

// Room for the parameters at their longest: every byte escaped, with the
// keys and separators.
constexpr size_t kLongestParameters = 3 * (2 * program_record::kCodeLength + program_record::kProgramNameLength +
                                           program_record::kAltNameLength + program_record::kVersionLength) +
                                      sizeof "type=&creator=&name=&altname=&ver=";

// Written over `url`, whose room serves query after query.
void WriteProgramQuery(program_record::ConstSlot record, std::string& url) {
  namespace layout = program_record;
  const bytes::ByteReader reader(record);
  struct Parameter {
    const char* key;
    std::string_view value;
  };
  const Parameter parameters[] = {
      {"type", reader.TextView(layout::kTypeCodeOffset, layout::kCodeLength)},
      {"creator", reader.TextView(layout::kCreatorCodeOffset, layout::kCodeLength)},
      {"name", reader.TextView(layout::kProgramNameOffset, layout::kProgramNameLength)},
      {"altname", reader.TextView(layout::kAltNameOffset, layout::kAltNameLength)},
      {"ver", reader.TextView(layout::kInstalledVersionOffset, layout::kVersionLength)},
  };
  url = QueryBaseUrl();
  url.reserve(url.size() + kLongestParameters);
  for (const auto& parameter : parameters) {
    if (parameter.key != parameters[0].key) url += '&';
    url += parameter.key;
    url += '=';
    AppendUrlEncoded(parameter.value, url);
  }
}

}  // namespace

const char* QueryBaseUrl() { return "http://" ORBITQUAIL_TRACKER_HOST "/query.php?"; }

bool QueryServer(TrackQueryClient& client, const char* userAgent, const uint8_t* record, std::string& text,
                 ServerReply& reply) {
  if (record != nullptr) {
    WriteProgramQuery(program_record::ConstSlot(record, program_record::kSlotSize), text);
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
      case ReplyStatus::Okay: LogDiagnostic("  status is okay"); return true;
      case ReplyStatus::NoData: LogDiagnostic("  status is no version data"); return true;
      case ReplyStatus::OldClient:
        LogError("OrbitQuail conduit version is too old.");
        LogError("  Please install new version.");
        return false;
      default: LogError("Retrieved status is unknown."); return false;
    }
  }

  if (record != nullptr) {
    const std::string name =
        program_record::TextField(program_record::ConstSlot(record, program_record::kSlotSize),
                                  program_record::kProgramNameOffset, program_record::kProgramNameLength);
    text = name + ": " + log_texts::kNoAnswer;
    LogError(text.c_str());
  } else {
    LogError(log_texts::kServerInitFailed);
  }
  return false;
}

}  // namespace oq
