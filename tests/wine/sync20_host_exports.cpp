// The host's side of the stand-in SYNC20.dll, as C functions the Windows
// test host resolves by name.
#include <cstring>
#include <string>

#include "handheld_host.h"
#include "test_hooks.h"

extern "C" {

void OqHostBeginSync(const char* directory) { oq::handheld_host::BeginSync(directory); }
int OqHostEndSync(void) { return oq::handheld_host::EndSync(); }
void OqHostSetApiVersion(unsigned major, unsigned minor) { oq::handheld_host::SetApiVersion(major, minor); }
void OqHostFailNthCall(int operation, int nth, int code) {
  oq::handheld_host::FailNthCall(static_cast<oq::handheld_host::Operation>(operation), nth, code);
}
// The handheld's own log, cut to the buffer; returns its full length.
int OqHostHandheldLog(char* buffer, int size) {
  const std::string log = oq::handheld_host::HandheldLog();
  if (buffer != nullptr && size > 0) {
    const size_t copied = log.size() < static_cast<size_t>(size - 1) ? log.size() : static_cast<size_t>(size - 1);
    std::memcpy(buffer, log.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<int>(log.size());
}

}  // extern "C"
