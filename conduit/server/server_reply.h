// What the conduit takes from one answer of the tracking server.
#pragma once

#include <cstdint>
#include <string>

namespace oq {

enum class ReplyStatus : int16_t { Unknown = 0, Okay = 1, NoData = 2, OldClient = 3, Error = 4 };

// The four stored bytes of a release date.
struct ReleaseDate {
  uint8_t yearByte;  // the year plus 48, modulo 256: 2003 gives 3
  uint8_t month;
  uint8_t day;
  uint8_t spare;  // always 0
};

class ServerReply {
 public:
  ReplyStatus status = ReplyStatus::Unknown;
  std::string version;
  std::string date;
  std::string msg;

  void Clear();

  // Fills the reply from a body of tagged elements ("<status>okay</status>",
  // "<version>", "<date>", "<msg>"): names and status words in any letter
  // case, content trimmed, the later of two equal elements wins, elements
  // are not nested, and one still open at the end is discarded. Linear in
  // the body's length; never fails.
  void ParseReply(const char* body);

  // From `date`, "year/month/day" in decimal; other forms give what the
  // same steps give.
  ReleaseDate ParseReleaseDate() const;
};

}  // namespace oq
