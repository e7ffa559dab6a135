// The HotSync log kept by the stand-in host, handed to its sink line by line.
#include "handheld_session.h"
#include "hotsync_log.h"

extern "C" int32_t LogAddEntry(const char* text, int32_t /*activity*/, int32_t /*timestamp*/) {
  auto& session = oq::standin::Session();
  if (text == nullptr) return 0;
  session.hotsyncLog.emplace_back(text);
  if (session.hotsyncLogSink) session.hotsyncLogSink(session.hotsyncLog.back());
  return 0;
}
