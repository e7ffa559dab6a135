// Any settings file: it writes back as it was read; a key set in it reads
// back, and every line but the key's own is kept.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ini_document.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto document = oq::storage::IniDocument::Parse(text);
  if (document.Serialize() != text) std::abort();

  document.Set("FuzzSection", "FuzzKey", "fuzz value");
  const std::string changed = document.Serialize();
  if (oq::storage::IniDocument::Parse(changed).Get("FuzzSection", "FuzzKey") != "fuzz value") std::abort();

  // Around the key's own line (or the lines added for it), every line is
  // as it was.
  const auto before = Lines(text);
  const auto after = Lines(changed);
  size_t same = 0;
  while (same < before.size() && same < after.size() && before[same] == after[same]) ++same;
  size_t sameAtEnd = 0;
  while (sameAtEnd < before.size() - same && sameAtEnd < after.size() - same &&
         before[before.size() - 1 - sameAtEnd] == after[after.size() - 1 - sameAtEnd]) {
    ++sameAtEnd;
  }
  if (before.size() - same - sameAtEnd > 1 || after.size() - same - sameAtEnd > 2) std::abort();
  return 0;
}
