#include "terminal_text.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

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

std::string FitText(const std::string& text, size_t columns) {
  const auto width = [](const std::string& t) {
    size_t count = 0;
    for (const unsigned char c : t) count += (c & 0xC0) != 0x80;  // a UTF-8 character counts once
    return count;
  };
  if (width(text) <= columns) return text;
  constexpr std::string_view kCut = "...";
  if (columns <= kCut.size()) return std::string(kCut.substr(0, columns));
  std::string out;
  size_t used = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80 && used++ == columns - kCut.size()) break;
    out += text[i];
  }
  return out + std::string(kCut);
}

std::optional<size_t> TerminalColumns() {
  if (isatty(STDOUT_FILENO) != 1) return std::nullopt;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS"); columns != nullptr && std::atoi(columns) > 0) {
    return static_cast<size_t>(std::atoi(columns));
  }
  return 80;
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
