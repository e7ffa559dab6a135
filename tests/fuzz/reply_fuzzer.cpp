// Any reply body: the parser never reads outside it, and whatever it
// keeps is no longer than the body.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "server_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);  // the transport's text: NUL-terminated
  oq::ServerReply reply;
  reply.ParseReply(body.c_str());
  if (reply.version.size() > size || reply.date.size() > size || reply.msg.size() > size) std::abort();
  const oq::ReleaseDate date = reply.ParseReleaseDate();
  if (date.spare != 0) std::abort();
  return 0;
}
