#include <gtest/gtest.h>

#include "catalog.h"
#include "test_environment.h"
#include "tracker_replies.h"
#include "version_order.h"

namespace oq::tracker {
namespace {

class CatalogTest : public ::testing::Test {
 protected:
  std::optional<Catalog> Load(const std::string& text) {
    test::WriteText(dir_.path() / "catalog.tsv", text);
    return Catalog::Load(dir_.path() / "catalog.tsv", error_);
  }
  test::TempDir dir_;
  std::string error_;
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
  EXPECT_FALSE(Catalog::Load(dir_.path() / "missing.tsv", error_));
}

TEST(TrackerRepliesTest, EachKindOfQuery) {
  test::TempDir dir;
  test::WriteText(dir.path() / "c.tsv", "creator\tversion\tdate\tmsg\nStCh\t2.1\t2003/09/22\tNew maps\n");
  std::string error;
  auto catalog = Catalog::Load(dir.path() / "c.tsv", error);
  ASSERT_TRUE(catalog);
  TrackerSettings settings;
  settings.message = "Hi";

  EXPECT_EQ(ReplyBody({.init = true}, *catalog, settings), "<status>okay</status>\n<msg>Hi</msg>\n");
  EXPECT_EQ(ReplyBody({.creator = "StCh"}, *catalog, settings),
            "<status>okay</status>\n<version>2.1</version>\n<date>2003/09/22</date>\n<msg>New maps</msg>\n");
  EXPECT_EQ(ReplyBody({.creator = "Xxxx", .name = "Other"}, *catalog, settings),
            "<status>nodata</status>\n<msg>No version information for Other.</msg>\n");
  EXPECT_EQ(ReplyBody({}, *catalog, settings).substr(0, 22), "<status>error</status>");

  settings.minimumClient = "1.30";
  EXPECT_EQ(ReplyBody({.init = true, .userAgent = "OrbitQuail/1.30"}, *catalog, settings).substr(0, 21),
            "<status>okay</status>");
  EXPECT_EQ(ReplyBody({.init = true, .userAgent = "OrbitQuail/1.29"}, *catalog, settings).substr(0, 26),
            "<status>oldclient</status>");
  EXPECT_EQ(ReplyBody({.init = true, .userAgent = "curl/8"}, *catalog, settings).substr(0, 26),
            "<status>oldclient</status>");
}

TEST(TrackerRepliesTest, VersionsCompareNumberByNumber) {
  EXPECT_TRUE(VersionBefore("1.4", "1.30"));
  EXPECT_FALSE(VersionBefore("1.30", "1.30"));
  EXPECT_FALSE(VersionBefore("1.30.1", "1.30"));
  EXPECT_TRUE(VersionBefore("1.30", "1.30.1"));
  EXPECT_TRUE(VersionBefore("0.9", "1"));
  EXPECT_FALSE(VersionBefore("2", "1.99"));
}

}  // namespace
}  // namespace oq::tracker
