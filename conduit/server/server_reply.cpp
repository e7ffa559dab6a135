#include "server_reply.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "ascii_case.h"

namespace oq {

namespace {

using ascii::EqualsIgnoringCase;
using ascii::Lower;

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void TrimInPlace(std::string& text) {
  size_t last = text.size();
  while (last > 0 && IsWhiteSpace(text[last - 1])) --last;
  text.erase(last);
  size_t first = 0;
  while (first < text.size() && IsWhiteSpace(text[first])) ++first;
  text.erase(0, first);
}

// Finds the first closing tag "</" + tag + ">" (tag compared without regard
// to letter case) at or after `from`, by Knuth-Morris-Pratt so that the
// scan stays linear however long the tag and however many "</" the content
// holds. Returns the position of its "<", or npos. Its buffers serve every
// element of a reply.
class ClosingTagFinder {
 public:
  size_t Find(std::string_view body, size_t from, std::string_view tag) {
    pattern_ = "</";
    for (char c : tag) pattern_ += Lower(c);
    pattern_ += '>';
    fallback_.assign(pattern_.size(), 0);
    for (size_t i = 1, k = 0; i < pattern_.size(); ++i) {
      while (k > 0 && pattern_[i] != pattern_[k]) k = fallback_[k - 1];
      if (pattern_[i] == pattern_[k]) ++k;
      fallback_[i] = k;
    }
    for (size_t i = from, k = 0; i < body.size(); ++i) {
      const char c = Lower(body[i]);
      while (k > 0 && c != pattern_[k]) k = fallback_[k - 1];
      if (c == pattern_[k]) ++k;
      if (k == pattern_.size()) return i + 1 - pattern_.size();
    }
    return std::string_view::npos;
  }

 private:
  std::string pattern_;
  std::vector<size_t> fallback_;
};

ReplyStatus StatusFromWord(const std::string& word) {
  if (EqualsIgnoringCase(word, "okay")) return ReplyStatus::Okay;
  if (EqualsIgnoringCase(word, "nodata")) return ReplyStatus::NoData;
  if (EqualsIgnoringCase(word, "oldclient")) return ReplyStatus::OldClient;
  if (EqualsIgnoringCase(word, "error")) return ReplyStatus::Error;
  return ReplyStatus::Unknown;
}

// Decimal value as the C library reads it: blanks, a sign, digits. Only
// the low eight bits are kept by the caller, so it wraps instead of
// overflowing.
uint32_t DecimalValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');
  }
  return negative ? 0u - value : value;
}

}  // namespace

void ServerReply::Clear() {
  status = ReplyStatus::Unknown;
  version.clear();
  date.clear();
  msg.clear();
}

void ServerReply::ParseReply(const char* body) {
  Clear();
  if (body == nullptr) return;
  const std::string_view text(body, std::strlen(body));
  std::string tag;
  ClosingTagFinder closingTag;
  size_t i = 0;
  while (i < text.size()) {
    // Outside: everything up to the next "<" is text between elements.
    const size_t open = text.find('<', i);
    if (open == std::string_view::npos) return;
    const size_t tagEnd = text.find('>', open + 1);
    if (tagEnd == std::string_view::npos) return;  // tag never closed
    tag.assign(text, open + 1, tagEnd - open - 1);

    const size_t close = closingTag.Find(text, tagEnd + 1, tag);
    if (close == std::string_view::npos) return;  // element never closed
    // Content: every "<" that starts a "</" which does not close the
    // element is dropped; all other bytes are kept.
    std::string content;
    content.reserve(close - tagEnd - 1);
    for (size_t k = tagEnd + 1; k < close;) {
      const size_t next = std::min(text.find("</", k), close);
      content.append(text, k, next - k);
      k = next + 1;  // past the dropped "<"
    }
    TrimInPlace(content);
    if (EqualsIgnoringCase(tag, "status")) {
      status = StatusFromWord(content);
    } else if (EqualsIgnoringCase(tag, "version")) {
      version = std::move(content);
    } else if (EqualsIgnoringCase(tag, "date")) {
      date = std::move(content);
    } else if (EqualsIgnoringCase(tag, "msg")) {
      msg = std::move(content);
    }
    // The rest of the closing tag is scanned again as text between elements.
    i = close + 1;
  }
}

ReleaseDate ServerReply::ParseReleaseDate() const {
  const std::string_view text(date);
  const size_t firstSlash = text.find('/');
  const long p1 = firstSlash == std::string_view::npos ? -1 : static_cast<long>(firstSlash);
  const size_t secondSlash = text.find('/', static_cast<size_t>(p1 + 1));
  const long p2 = secondSlash == std::string_view::npos ? -1 : static_cast<long>(secondSlash);

  const uint32_t year = p1 < 0 ? 0 : DecimalValue(text.substr(0, static_cast<size_t>(p1)));
  const long monthLength = p2 - p1 - 1;
  const uint32_t month =
      monthLength < 0 ? 0 : DecimalValue(text.substr(static_cast<size_t>(p1 + 1), static_cast<size_t>(monthLength)));
  const uint32_t day = DecimalValue(p2 < 0 ? text : text.substr(static_cast<size_t>(p2 + 1)));
  return {static_cast<uint8_t>(year + 48), static_cast<uint8_t>(month), static_cast<uint8_t>(day), 0};
}

}  // namespace oq
