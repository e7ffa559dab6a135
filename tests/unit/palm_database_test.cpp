#include <gtest/gtest.h>

#include "palm_database.h"

namespace oq::palm {
namespace {

// One field to a line.
// clang-format off
// A record database written out by hand: app info, sort info, two records
// (the second secret), and the 2-byte gap after the record list.
const std::vector<uint8_t> kGoldenPdb = {
    // name "Test", NUL-padded to 32
    'T', 'e', 's', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x00, 0x08,              // attributes: backup
    0x00, 0x01,              // version
    0xB8, 0xE3, 0xA1, 0xC0,  // creation date
    0xB8, 0xE3, 0xA1, 0xC1,  // modification date
    0x00, 0x00, 0x00, 0x00,  // backup date
    0x00, 0x00, 0x00, 0x03,  // modification number
    0x00, 0x00, 0x00, 0x60,  // app info at 96
    0x00, 0x00, 0x00, 0x64,  // sort info at 100
    'D', 'A', 'T', 'A', 'r', 'k', 'O', 'Q',
    0x00, 0x00, 0x00, 0x10,  // unique id seed
    0x00, 0x00, 0x00, 0x00,  // next record list
    0x00, 0x02,              // two records
    0x00, 0x00, 0x00, 0x66, 0x41, 0x00, 0x0A, 0x0B,  // record 0 at 102: dirty, category 1
    0x00, 0x00, 0x00, 0x69, 0x10, 0x00, 0x00, 0x10,  // record 1 at 105: secret
    0x00, 0x00,              // gap
    'A', 'P', 'P', 'I',      // app info
    'S', 'O',                // sort info
    0x01, 0x02, 0x03,        // record 0
    'x', 'y',                // record 1
};

const std::vector<uint8_t> kGoldenPrc = {
    'P', 'r', 'e', 'f', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x00, 0x01,              // attributes: resource database
    0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x00, 0x00, 0x00, 0x00,  // no app info
    0x00, 0x00, 0x00, 0x00,  // no sort info
    's', 'p', 'r', 'f', 'p', 's', 'y', 's',
    0, 0, 0, 0, 0, 0, 0, 0,
    0x00, 0x02,
    'r', 'k', 'O', 'Q', 0x00, 0x00, 0x00, 0x00, 0x00, 0x64,  // id 0 at 100
    'a', 'b', 'c', 'd', 0x01, 0x02, 0x00, 0x00, 0x00, 0x67,  // id 0x102 at 103
    0x00, 0x00,
    0x01, 0x30, 0xEE,
    0xFF,
};
// clang-format on

TEST(PalmDatabaseTest, GoldenRecordDatabaseRoundTrips) {
  auto parsed = ParseDatabase(kGoldenPdb);
  ASSERT_TRUE(parsed.database) << Describe(parsed.error);
  const Database& db = *parsed.database;
  EXPECT_EQ(db.Name(), "Test");
  EXPECT_FALSE(db.IsResourceDb());
  EXPECT_EQ(db.attributes, 0x0008);
  EXPECT_EQ(db.version, 1);
  EXPECT_EQ(db.creationDate, 0xB8E3A1C0u);
  EXPECT_EQ(db.modificationNumber, 3u);
  EXPECT_EQ(FourCCText(db.type), "DATA");
  EXPECT_EQ(FourCCValue(db.creator), 0x726B4F51u);
  EXPECT_EQ(db.uniqueIdSeed, 0x10u);
  EXPECT_EQ(db.appInfo, (std::vector<uint8_t>{'A', 'P', 'P', 'I'}));
  EXPECT_EQ(db.sortInfo, (std::vector<uint8_t>{'S', 'O'}));
  ASSERT_EQ(db.records.size(), 2u);
  EXPECT_EQ(db.records[0].attributes, 0x41);
  EXPECT_EQ(db.records[0].uniqueId, 0x000A0Bu);
  EXPECT_EQ(db.records[0].data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(db.records[1].attributes, kRecordSecret);
  EXPECT_EQ(db.records[1].data, (std::vector<uint8_t>{'x', 'y'}));

  EXPECT_EQ(SerializeDatabase(db), kGoldenPdb);
}

TEST(PalmDatabaseTest, GoldenResourceDatabaseRoundTrips) {
  auto parsed = ParseDatabase(kGoldenPrc);
  ASSERT_TRUE(parsed.database) << Describe(parsed.error);
  const Database& db = *parsed.database;
  EXPECT_TRUE(db.IsResourceDb());
  EXPECT_FALSE(db.appInfo);
  EXPECT_FALSE(db.sortInfo);
  ASSERT_EQ(db.resources.size(), 2u);
  EXPECT_EQ(FourCCText(db.resources[0].type), "rkOQ");
  EXPECT_EQ(db.resources[0].id, 0);
  EXPECT_EQ(db.resources[0].data, (std::vector<uint8_t>{0x01, 0x30, 0xEE}));
  EXPECT_EQ(db.resources[1].id, 0x0102);
  EXPECT_EQ(db.resources[1].data, (std::vector<uint8_t>{0xFF}));

  EXPECT_EQ(SerializeDatabase(db), kGoldenPrc);
}

TEST(PalmDatabaseTest, EveryTruncationFailsCleanlyOrKeepsEveryWholeBlock) {
  // The last block runs to the end of the file, so a cut inside it still
  // parses; every shorter cut must be refused.
  struct Golden {
    const std::vector<uint8_t>& bytes;
    size_t lastBlockOffset;
  };
  for (const Golden golden : {Golden{kGoldenPdb, 105}, Golden{kGoldenPrc, 103}}) {
    for (size_t length = 0; length < golden.bytes.size(); ++length) {
      std::vector<uint8_t> cut(golden.bytes.begin(), golden.bytes.begin() + static_cast<std::ptrdiff_t>(length));
      auto parsed = ParseDatabase(cut);
      EXPECT_EQ(parsed.database.has_value(), length >= golden.lastBlockOffset) << "length " << length;
    }
  }
}

TEST(PalmDatabaseTest, DamagedLayoutsAreRefused) {
  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
    ParseError expected;
  };
  const Case cases[] = {
      {"record offset before the record list ends", 81, 0x10, ParseError::kBadOffsets},
      {"record offset past the end of the file", 80, 0x01, ParseError::kBadOffsets},
      {"records out of order", 89, 0x61, ParseError::kBadOffsets},
      {"app info after the sort info", 55, 0x68, ParseError::kBadOffsets},
      {"record count past the end", 77, 0xFF, ParseError::kBadRecordList},
      {"chained record list", 75, 0x01, ParseError::kChainedRecordList},
  };
  for (const auto& c : cases) {
    auto bytes = kGoldenPdb;
    bytes[c.offset] = c.value;
    auto parsed = ParseDatabase(bytes);
    EXPECT_FALSE(parsed.database) << c.what;
    EXPECT_EQ(parsed.error, c.expected) << c.what;
  }
}

TEST(PalmDatabaseTest, EmptyDatabaseIsHeaderAndGapOnly) {
  Database db;
  db.SetName("a name longer than thirty-one characters is cut");
  auto bytes = SerializeDatabase(db);
  ASSERT_EQ(bytes.size(), kHeaderLength + kRecordListGapLength);
  EXPECT_EQ(bytes[31], 0) << "the name keeps its terminator";
  auto parsed = ParseDatabase(bytes);
  ASSERT_TRUE(parsed.database);
  EXPECT_EQ(parsed.database->Name(), "a name longer than thirty-one c");
  EXPECT_TRUE(parsed.database->records.empty());
}

}  // namespace
}  // namespace oq::palm
