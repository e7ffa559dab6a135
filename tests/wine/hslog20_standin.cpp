// The stand-in HotSync log: each line on standard output as it is written,
// as oq-hotsync prints it.
#include <cstdint>
#include <cstdio>
#include <cstring>

extern "C" int32_t LogAddEntry(const char* text, int32_t /*activity*/, int32_t /*timestamp*/) {
  if (text == nullptr) return 0;
  const size_t length = std::strlen(text);
  std::fwrite(text, 1, length, stdout);
  if (length == 0 || text[length - 1] != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
  return 0;
}
