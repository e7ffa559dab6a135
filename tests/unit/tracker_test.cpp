#include <gtest/gtest.h>

#include "catalog.h"
#include "server_reply.h"
#include "test_environment.h"
#include "tracker_replies.h"
#include "version_order.h"

namespace oq::tracker {
namespace {

class CatalogTest : public ::testing::Test {
 protected:
  std::optional<Catalog> Load(const std::string& text) {
    test::WriteText(dir_.path() / "catalog.tsv", text);
    warnings_.clear();
    return Catalog::Load(dir_.path() / "catalog.tsv", error_, warnings_);
  }
  test::TempDir dir_;
  std::string error_;
  std::vector<std::string> warnings_;
};

TEST_F(CatalogTest, ColumnsAreFoundByTheirHeaderNames) {
  auto catalog = Load("msg\tdate\tcreator\tversion\r\nHello\t2003/09/22\tStCh\t2.1\r\n\nBye\t2010/1/5\tqNte\t1.0\n");
  ASSERT_TRUE(catalog) << error_;
  EXPECT_EQ(catalog->size(), 2u);
  const CatalogEntry* entry = catalog->Find("StCh");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->version, "2.1");
  EXPECT_EQ(entry->date, "2003/09/22");
  EXPECT_EQ(entry->msg, "Hello");
  EXPECT_EQ(catalog->Find("stch"), nullptr) << "creator codes are case-sensitive";
}

TEST_F(CatalogTest, UnusableFilesSayWhatIsWrong) {
  EXPECT_FALSE(Load(""));
  EXPECT_NE(error_.find("empty"), std::string::npos) << error_;
  EXPECT_FALSE(Load("creator\tversion\tdate\n"));
  EXPECT_NE(error_.find("'msg'"), std::string::npos) << error_;
  EXPECT_FALSE(Load("creator\tversion\tdate\tmsg\nStCh\t2.1\n"));
  EXPECT_NE(error_.find(":2: expected 4"), std::string::npos) << error_;
  EXPECT_FALSE(Catalog::Load(dir_.path() / "missing.tsv", error_, warnings_));
  EXPECT_FALSE(
      Load("creator\tversion\tdate\tmsg\nStCh\t2.1\t2003/09/22\ta\nqNte\t1\t2003/09/22\tb\n"
           "StCh\t2.2\t2003/09/22\tc\n"));
  EXPECT_NE(error_.find("catalog.tsv:4: the creator code \"StCh\" is listed a second time"), std::string::npos)
      << error_;
}

TEST_F(CatalogTest, ValuesTheConduitWouldMisreadAreWarnedOfWithTheirLine) {
  auto catalog = Load(
      "creator\tversion\tdate\tmsg\nAaaa\t1.2\t2026/13/45\tx\nBbbb\tv1.2 beta\t2024/02/29\ty\n"
      "Cccc\t10.0.3\t15/11/2026\tz\nDddd\t2\t2025/02/29\tw\nEeee\t3.1\t2010/1/5\tv\n");
  ASSERT_TRUE(catalog) << "warnings do not stop the tracker";
  ASSERT_EQ(warnings_.size(), 4u);
  EXPECT_NE(warnings_[0].find("catalog.tsv:2: \"2026/13/45\" is not a date"), std::string::npos) << warnings_[0];
  EXPECT_NE(warnings_[1].find("catalog.tsv:3: the version \"v1.2 beta\""), std::string::npos) << warnings_[1];
  EXPECT_NE(warnings_[2].find("catalog.tsv:4: \"15/11/2026\""), std::string::npos) << warnings_[2];
  EXPECT_NE(warnings_[3].find("catalog.tsv:5: \"2025/02/29\""), std::string::npos) << warnings_[3];
}

// Replies from a catalogue loaded as the tracker loads it.
using TrackerRepliesTest = CatalogTest;

std::string Reply(const Catalog& catalog, const Query& query, const TrackerSettings& settings) {
  return ReplyBody(query, catalog.Find(query.creator), settings);
}

TEST_F(TrackerRepliesTest, EachKindOfQuery) {
  auto catalog = Load("creator\tversion\tdate\tmsg\nStCh\t2.1\t2003/09/22\tNew maps\n");
  ASSERT_TRUE(catalog);
  TrackerSettings settings;
  settings.message = "Hi";

  EXPECT_EQ(Reply(*catalog, {.init = true}, settings), "<status>okay</status>\n<msg>Hi</msg>\n");
  EXPECT_EQ(Reply(*catalog, {.creator = "StCh"}, settings),
            "<status>okay</status>\n<version>2.1</version>\n<date>2003/09/22</date>\n<msg>New maps</msg>\n");
  EXPECT_EQ(Reply(*catalog, {.creator = "Xxxx", .name = "Other"}, settings),
            "<status>nodata</status>\n<msg>No version information for Other.</msg>\n");
  EXPECT_EQ(Reply(*catalog, {}, settings).substr(0, 22), "<status>error</status>");

  settings.minimumClient = "1.30";
  EXPECT_EQ(Reply(*catalog, {.init = true, .userAgent = "OrbitQuail/1.30"}, settings).substr(0, 21),
            "<status>okay</status>");
  EXPECT_EQ(Reply(*catalog, {.init = true, .userAgent = "OrbitQuail/1.29"}, settings).substr(0, 26),
            "<status>oldclient</status>");
  EXPECT_EQ(Reply(*catalog, {.init = true, .userAgent = "curl/8"}, settings).substr(0, 26),
            "<status>oldclient</status>");
}

TEST_F(TrackerRepliesTest, RequestTextCannotForgeAnElement) {
  auto catalog = Load("creator\tversion\tdate\tmsg\n");
  ASSERT_TRUE(catalog);
  const std::string forged = "x.</msg><status>okay</status><version>9.9</version><msg>&";
  ServerReply reply;
  reply.ParseReply(Reply(*catalog, {.creator = "Xxxx", .name = forged}, {}).c_str());
  EXPECT_EQ(reply.status, ReplyStatus::NoData);
  EXPECT_EQ(reply.version, "");
  EXPECT_EQ(reply.msg,
            "No version information for x.&lt;/msg&gt;&lt;status&gt;okay&lt;/status&gt;&lt;version&gt;"
            "9.9&lt;/version&gt;&lt;msg&gt;&amp;.");
}

TEST_F(TrackerRepliesTest, VersionsCompareNumberByNumber) {
  EXPECT_TRUE(palm::VersionBefore("1.4", "1.30"));
  EXPECT_FALSE(palm::VersionBefore("1.30", "1.30"));
  EXPECT_FALSE(palm::VersionBefore("1.30.1", "1.30"));
  EXPECT_TRUE(palm::VersionBefore("1.30", "1.30.1"));
  EXPECT_TRUE(palm::VersionBefore("0.9", "1"));
  EXPECT_FALSE(palm::VersionBefore("2", "1.99"));
  // Trailing zeros, empty parts and letters after the digits change nothing.
  EXPECT_FALSE(palm::VersionBefore("1.2", "1.2.0"));
  EXPECT_FALSE(palm::VersionBefore("1.2.0", "1.2"));
  EXPECT_FALSE(palm::VersionBefore("", "0.0"));
  EXPECT_FALSE(palm::VersionBefore("1..2b", "1.0.2"));
  EXPECT_TRUE(palm::VersionBefore("1..2b", "1.0.3"));
  EXPECT_TRUE(palm::VersionBefore("1.x", "1.0.0.1"));
}

}  // namespace
}  // namespace oq::tracker
