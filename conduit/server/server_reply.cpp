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

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Finds the first closing tag "</" + tag + ">" (tag compared without regard
// to letter case) at or after `from`, by Knuth-Morris-Pratt so that the
// scan stays linear however long the tag and however many "</" the content
// holds. Returns the position of its "<", or npos. Its buffers serve every
// element of a reply.
class KmpClosingTagFinder {
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

// The same, most often without building a pattern: where the tag holds no
// "<", a "</" that matches part of it ends before the next "</" can start,
// so trying each "</" in turn reads every byte about once.
class ClosingTagFinder {
 public:
  size_t Find(std::string_view body, size_t from, std::string_view tag) {
    if (tag.find('<') != std::string_view::npos) return overlapping_.Find(body, from, tag);
    for (size_t at = body.find("</", from); at != std::string_view::npos; at = body.find("</", at + 2)) {
      const size_t end = at + 2 + tag.size();
      if (end < body.size() && body[end] == '>' && EqualsIgnoringCase(body.substr(at + 2, tag.size()), tag)) {
        return at;
      }
    }
    return std::string_view::npos;
  }

 private:
  KmpClosingTagFinder overlapping_;
};

// The content between `from` and the closing tag at `close`, trimmed: every
// "<" that starts a "</" is dropped, all other bytes are kept. (Trimming
// first changes nothing, since a dropped "<" is followed by a "/".)
void ReadContent(std::string_view body, size_t from, size_t close, std::string& content) {
  const std::string_view rest = Trimmed(body.substr(from, close - from));
  content.clear();
  for (size_t k = 0; k < rest.size();) {
    const size_t next = std::min(rest.find("</", k), rest.size());
    content.append(rest, k, next - k);
    k = next + 1;  // past the dropped "<"
  }
}

ReplyStatus StatusFromWord(std::string_view word) {
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
  ClosingTagFinder closingTag;
  std::string word;
  size_t i = 0;
  while (i < text.size()) {
    // Outside: everything up to the next "<" is text between elements.
    const size_t open = text.find('<', i);
    if (open == std::string_view::npos) return;
    const size_t tagEnd = text.find('>', open + 1);
    if (tagEnd == std::string_view::npos) return;  // tag never closed
    const std::string_view tag = text.substr(open + 1, tagEnd - open - 1);

    const size_t close = closingTag.Find(text, tagEnd + 1, tag);
    if (close == std::string_view::npos) return;  // element never closed
    if (EqualsIgnoringCase(tag, "status")) {
      ReadContent(text, tagEnd + 1, close, word);
      status = StatusFromWord(word);
    } else if (EqualsIgnoringCase(tag, "version")) {
      ReadContent(text, tagEnd + 1, close, version);
    } else if (EqualsIgnoringCase(tag, "date")) {
      ReadContent(text, tagEnd + 1, close, date);
    } else if (EqualsIgnoringCase(tag, "msg")) {
      ReadContent(text, tagEnd + 1, close, msg);
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
