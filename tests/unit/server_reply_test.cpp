#include <gtest/gtest.h>

#include "server_reply.h"

namespace oq {
namespace {

struct ParseCase {
  const char* name;
  const char* body;
  ReplyStatus status;
  const char* version;
  const char* date;
  const char* msg;
};

void ExpectParsed(const ParseCase& c) {
  ServerReply reply;
  reply.ParseReply(c.body);
  EXPECT_EQ(reply.status, c.status) << c.name;
  EXPECT_EQ(reply.version, c.version) << c.name;
  EXPECT_EQ(reply.date, c.date) << c.name;
  EXPECT_EQ(reply.msg, c.msg) << c.name;
}

TEST(ParseReplyTest, StatusWordsAndLetterCase) {
  const ParseCase cases[] = {
      {"full reply", "<status>okay</status>\n<version>2.1</version>\n<date>2003/09/22</date>\n<msg>New!</msg>\n",
       ReplyStatus::Okay, "2.1", "2003/09/22", "New!"},
      {"capitals and blanks", "<STATUS> OldClient </Status>", ReplyStatus::OldClient, "", "", ""},
      {"nodata", "<status>NoData</status>", ReplyStatus::NoData, "", "", ""},
      {"error", "<Status>ERROR</STATUS>", ReplyStatus::Error, "", "", ""},
      {"unknown word", "<status>ok</status>", ReplyStatus::Unknown, "", "", ""},
      {"no status", "<version>1</version>", ReplyStatus::Unknown, "1", "", ""},
      {"empty body", "", ReplyStatus::Unknown, "", "", ""},
      {"trimming every kind of white space", "<msg>\t\r\n\v\f hi there \r\n</msg>", ReplyStatus::Unknown, "", "",
       "hi there"},
  };
  for (const auto& c : cases) ExpectParsed(c);
}

TEST(ParseReplyTest, StructureOfTheBody) {
  const ParseCase cases[] = {
      {"later element wins", "<status>okay</status><status>bogus</status>", ReplyStatus::Unknown, "", "", ""},
      {"order does not matter", "<msg>m</msg>junk<version>9</version><status>okay</status>", ReplyStatus::Okay, "9", "",
       "m"},
      {"nested elements are content of the outer one", "<reply><status>okay</status><version>2</version></reply>",
       ReplyStatus::Unknown, "", "", ""},
      {"blank inside the opening tag never closes", "<status >okay</status><version>2</version>", ReplyStatus::Unknown,
       "", "", ""},
      {"XML declaration swallows the body", "<?xml version=\"1.0\"?>\n<status>okay</status>", ReplyStatus::Unknown, "",
       "", ""},
      {"stray closing tag first", "</x><status>okay</status>", ReplyStatus::Unknown, "", "", ""},
      {"empty-element tag first", "<br/><status>okay</status>", ReplyStatus::Unknown, "", "", ""},
      {"unclosed element at the end is discarded", "<status>okay</status><version>3.0", ReplyStatus::Okay, "", "", ""},
      {"unclosed tag at the end", "<status>okay</status><vers", ReplyStatus::Okay, "", "", ""},
      {"rest of the closing tag is text between elements", "<msg>a</msg>>b<c", ReplyStatus::Unknown, "", "", "a"},
  };
  for (const auto& c : cases) ExpectParsed(c);
}

TEST(ParseReplyTest, ContentKeepsWhatIsNotAClosingTag) {
  const ParseCase cases[] = {
      {"lone < kept", "<msg>a < b</msg>", ReplyStatus::Unknown, "", "", "a < b"},
      {"foreign closing tag loses its <", "<msg>x</b>y</msg>", ReplyStatus::Unknown, "", "", "x/b>y"},
      {"> and angle brackets kept", "<msg>1 > 0 <3</msg>", ReplyStatus::Unknown, "", "", "1 > 0 <3"},
      {"two lines", "<msg>first\nsecond</msg>", ReplyStatus::Unknown, "", "", "first\nsecond"},
      {"closing tag of another case", "<MSG>x</msg>", ReplyStatus::Unknown, "", "", "x"},
      {"partial closing tag then the real one", "<msg>a</ms</msg>", ReplyStatus::Unknown, "", "", "a/ms"},
      {"closing tag must end in >", "<msg>a</msg </msg>", ReplyStatus::Unknown, "", "", "a/msg"},
  };
  for (const auto& c : cases) ExpectParsed(c);
}

TEST(ParseReplyTest, EachParseStartsFromAClearedReply) {
  ServerReply reply;
  reply.ParseReply("<status>okay</status><version>1</version><date>d</date><msg>m</msg>");
  ASSERT_EQ(reply.status, ReplyStatus::Okay);
  reply.ParseReply("");
  EXPECT_EQ(reply.status, ReplyStatus::Unknown);
  EXPECT_EQ(reply.version, "");
  EXPECT_EQ(reply.date, "");
  EXPECT_EQ(reply.msg, "");
}

TEST(ParseReleaseDateTest, WorkedExamples) {
  struct Case {
    const char* date;
    uint8_t yearByte, month, day;
  };
  const Case cases[] = {
      {"2003/09/22", 3, 9, 22},  {"2010/1/5", 10, 1, 5},     {"1999/12/31", 255, 12, 31}, {"", 48, 0, 0},
      {"2003/09", 3, 0, 211},    {"2003-09-22", 48, 0, 211}, {" 2004 / 7 /  8", 4, 7, 8}, {"2004/13/40", 4, 13, 40},
      {"-1952/x/+3", 144, 0, 3},
  };
  for (const auto& c : cases) {
    ServerReply reply;
    reply.date = c.date;
    const ReleaseDate date = reply.ParseReleaseDate();
    EXPECT_EQ(date.yearByte, c.yearByte) << c.date;
    EXPECT_EQ(date.month, c.month) << c.date;
    EXPECT_EQ(date.day, c.day) << c.date;
    EXPECT_EQ(date.spare, 0) << c.date;
  }
}

}  // namespace
}  // namespace oq
