#include "query_server.h"

#include <cstring>

#include "log_line.h"
#include "program_record.h"
#include "sync_manager.h"
#include "url_encoding.h"

namespace oq {

namespace {

constexpr const char* kInitQuery = "init=true";
constexpr int16_t kHttpOk = 200;
constexpr uint16_t kYieldCycles = 1;

// A four-character code as text: a NUL among the four bytes ends it early.
std::string CodeText(const uint8_t* code) {
  char text[program_record::kCodeLength + 1] = {};
  std::memcpy(text, code, program_record::kCodeLength);
  return text;
}

// A NUL-terminated field, read no further than its own width.
std::string FieldText(const uint8_t* field, size_t width) {
  const auto* begin = reinterpret_cast<const char*>(field);
  return std::string(begin, strnlen(begin, width));
}

std::string ProgramQuery(const uint8_t* record) {
  namespace layout = program_record;
  struct Parameter {
    const char* key;
    std::string value;
  };
  const Parameter parameters[] = {
      {"type", CodeText(record + layout::kTypeCodeOffset)},
      {"creator", CodeText(record + layout::kCreatorCodeOffset)},
      {"name", FieldText(record + layout::kProgramNameOffset, layout::kProgramNameLength)},
      {"altname", FieldText(record + layout::kAltNameOffset, layout::kAltNameLength)},
      {"ver", FieldText(record + layout::kInstalledVersionOffset, layout::kVersionLength)},
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
    text = ProgramQuery(record);
  } else {
    text = QueryBaseUrl();
    text += kInitQuery;
  }
  AddLogLine(0, text.c_str(), 1);
  SyncYieldCycles(kYieldCycles);

  if (client.SendGet(text.c_str(), userAgent) && client.lastStatusCode == kHttpOk) {
    client.ReadBody(text);
    AddLogLine(0, text.c_str(), 1);
    reply.ParseReply(text.c_str());
    switch (reply.status) {
      case ReplyStatus::Okay:
        AddLogLine(0, "  status is okay", 1);
        return true;
      case ReplyStatus::NoData:
        AddLogLine(0, "  status is no version data", 1);
        return true;
      case ReplyStatus::OldClient:
        AddLogLine(1, "OrbitQuail conduit version is too old.", 1);
        AddLogLine(1, "  Please install new version.", 1);
        return false;
      default:
        AddLogLine(1, "Retrieved status is unknown.", 1);
        return false;
    }
  }

  if (record != nullptr) {
    const std::string name =
        FieldText(record + program_record::kProgramNameOffset, program_record::kProgramNameLength);
    text = name + ": Failed to get data from server.";
    AddLogLine(1, text.c_str(), 1);
  } else {
    AddLogLine(1, "Failed to init with OrbitQuail server.", 1);
  }
  return false;
}

}  // namespace oq
