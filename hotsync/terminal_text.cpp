#include "terminal_text.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>

namespace oq::hotsync {

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

void AppendEscape(std::string& out, unsigned char c) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\x%02X", c);
  out += escape;
}

bool TerminalIsUtf8() {
  static const bool utf8 = [] {
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    std::setlocale(LC_CTYPE, "");
    const bool answer = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::setlocale(LC_CTYPE, saved.c_str());
    return answer;
  }();
  return utf8;
}

}  // namespace

std::string TerminalText(const std::string& text) {
  const bool utf8 = TerminalIsUtf8();
  std::string out;
  for (const unsigned char c : text) {
    // 0x80 to 0x9F would be C1 controls, which some terminals obey.
    if (IsControl(c) || (utf8 && c >= 0x80 && c < 0xA0)) {
      AppendEscape(out, c);
    } else if (utf8 && c >= 0xA0) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string WithoutControls(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (IsControl(c)) {
      AppendEscape(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace oq::hotsync
