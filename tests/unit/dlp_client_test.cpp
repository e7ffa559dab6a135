// Each DLP command's request against the bytes the protocol lays out, and
// what the client makes of the handheld's answers, over a scripted link.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>

#include "dlp_client.h"

namespace oq::dlp {
namespace {

using Bytes = std::vector<uint8_t>;

// Records what the client sends; answers from a script, or once that is
// spent with success and 64 zero bytes in a first argument.
class ScriptedLink : public Transport {
 public:
  LinkError Send(std::span<const uint8_t> packet) override {
    sent.emplace_back(packet.begin(), packet.end());
    return LinkError::kNone;
  }
  LinkError Receive(std::vector<uint8_t>& packet) override {
    if (!answers.empty()) {
      packet = std::move(answers.front());
      answers.pop_front();
      return LinkError::kNone;
    }
    packet = {static_cast<uint8_t>(sent.back()[0] | 0x80), 1, 0, 0, 0x20, 64};
    packet.resize(packet.size() + 64, 0);
    return LinkError::kNone;
  }
  std::string Failure() const override { return "scripted"; }

  std::vector<Bytes> sent;
  std::deque<Bytes> answers;
};

// An answer of success to `command` with one first argument.
Bytes Answer(uint8_t command, const Bytes& argument) {
  const Bytes head{static_cast<uint8_t>(command | 0x80), 1, 0, 0, 0x20, static_cast<uint8_t>(argument.size())};
  Bytes packet(head.size() + argument.size());
  std::copy(argument.begin(), argument.end(), std::copy(head.begin(), head.end(), packet.begin()));
  return packet;
}

struct Golden {
  const char* what;
  std::function<Status(Client&)> call;
  Bytes request;
};

TEST(DlpClientTest, EveryRequestGoesOutAsTheProtocolLaysItOut) {
  UserInfo user;
  user.userId = 0x01020304;
  user.viewerId = 0x05060708;
  user.lastSyncPc = 0x0A0B0C0D;
  user.lastSync = {2026, 12, 9, 13, 5, 7};
  user.name = "Ann";
  const NewDatabase created{"X", 0x4F517072, 0x44415441, 0x0008, 1};
  RecordData record;
  record.id = 7;
  record.attributes = 0x40;
  record.category = 2;
  record.data = {9, 9};
  ResourceData resource;
  resource.type = 0x7441494E;
  resource.id = 1000;
  resource.data = {1, 2, 3};
  uint8_t handle = 0;
  uint16_t count = 0;
  uint32_t newId = 0;
  UserInfo readUser;
  SysInfo sys;
  std::vector<DatabaseInfo> list;
  RecordData readRecord;
  ResourceData readResource;
  Bytes block;
  PreferenceData preference;
  const Bytes two{5, 6};
  const std::vector<Golden> goldens{
      {"ReadUserInfo", [&](Client& c) { return c.ReadUserInfo(readUser); }, {0x10, 0}},
      // clang-format off
      {"WriteUserInfo with a new name",
       [&](Client& c) { return c.WriteUserInfo(user, {.name = true}); },
       {0x11, 1, 0x20, 26, 1, 2, 3, 4, 5, 6, 7, 8, 0x0A, 0x0B, 0x0C, 0x0D,
        0x07, 0xEA, 12, 9, 13, 5, 7, 0, 0x70, 4, 'A', 'n', 'n', 0}},
      // clang-format on
      {"ReadSysInfo", [&](Client& c) { return c.ReadSysInfo(sys); }, {0x12, 1, 0x20, 4, 0, 1, 0, 2}},
      {"ReadDBList", [&](Client& c) { return c.ReadDatabaseList(list); }, {0x16, 1, 0x20, 4, 0xA0, 0, 0, 0}},
      {"OpenDB",
       [&](Client& c) { return c.OpenDb("Memo", 0x80, handle); },
       {0x17, 1, 0x20, 7, 0, 0x80, 'M', 'e', 'm', 'o', 0}},
      {"CreateDB",
       [&](Client& c) { return c.CreateDb(created, handle); },
       {0x18, 1, 0x20, 16, 'O', 'Q', 'p', 'r', 'D', 'A', 'T', 'A', 0, 0, 0, 8, 0, 1, 'X', 0}},
      {"CloseDB", [&](Client& c) { return c.CloseDb(3); }, {0x19, 1, 0x20, 1, 3}},
      {"DeleteDB", [&](Client& c) { return c.DeleteDb("X"); }, {0x1A, 1, 0x20, 4, 0, 0, 'X', 0}},
      {"ReadOpenDBInfo", [&](Client& c) { return c.ReadOpenDbInfo(3, count); }, {0x2B, 1, 0x20, 1, 3}},
      {"ReadRecord by index",
       [&](Client& c) { return c.ReadRecordByIndex(3, 0x0102, kReadWhole, readRecord); },
       {0x20, 1, 0x21, 8, 3, 0, 1, 2, 0, 0, 0xFF, 0xFF}},
      {"ReadRecord by id",
       [&](Client& c) { return c.ReadRecordById(3, 0x00ABCDEF, 100, readRecord); },
       {0x20, 1, 0x20, 10, 3, 0, 0, 0xAB, 0xCD, 0xEF, 0, 0, 0, 100}},
      {"WriteRecord",
       [&](Client& c) { return c.WriteRecord(3, record, newId); },
       {0x21, 1, 0x20, 10, 3, 0x80, 0, 0, 0, 7, 0x40, 2, 9, 9}},
      {"DeleteRecord", [&](Client& c) { return c.DeleteRecord(3, 7); }, {0x22, 1, 0x20, 6, 3, 0, 0, 0, 0, 7}},
      {"DeleteRecord, all",
       [&](Client& c) { return c.DeleteRecord(3, 0, delete_record::kAll); },
       {0x22, 1, 0x20, 6, 3, 0x80, 0, 0, 0, 0}},
      {"ReadResource by index",
       [&](Client& c) { return c.ReadResourceByIndex(3, 2, readResource); },
       {0x23, 1, 0x20, 8, 3, 0, 0, 2, 0, 0, 0xFF, 0xFF}},
      {"ReadResource by type",
       [&](Client& c) { return c.ReadResourceByType(3, 0x636F6465, 1, readResource); },
       {0x23, 1, 0x21, 12, 3, 0, 'c', 'o', 'd', 'e', 0, 1, 0, 0, 0xFF, 0xFF}},
      {"WriteResource",
       [&](Client& c) { return c.WriteResource(3, resource); },
       {0x24, 1, 0x20, 13, 3, 0, 't', 'A', 'I', 'N', 0x03, 0xE8, 0, 3, 1, 2, 3}},
      {"ReadAppBlock", [&](Client& c) { return c.ReadAppBlock(3, block); }, {0x1B, 1, 0x20, 6, 3, 0, 0, 0, 0xFF, 0xFF}},
      {"WriteAppBlock", [&](Client& c) { return c.WriteAppBlock(3, two); }, {0x1C, 1, 0x20, 6, 3, 0, 0, 2, 5, 6}},
      {"WriteSortBlock", [&](Client& c) { return c.WriteSortBlock(3, two); }, {0x1E, 1, 0x20, 6, 3, 0, 0, 2, 5, 6}},
      {"ReadAppPreference",
       [&](Client& c) { return c.ReadAppPreference(0x4F517072, 0, true, 512, preference); },
       {0x34, 1, 0x20, 10, 'O', 'Q', 'p', 'r', 0, 0, 2, 0, 0x80, 0}},
      {"WriteAppPreference",
       [&](Client& c) { return c.WriteAppPreference(0x4F517072, 1, false, 3, two); },
       {0x35, 1, 0x20, 14, 'O', 'Q', 'p', 'r', 0, 1, 0, 3, 0, 2, 0, 0, 5, 6}},
      {"AddSyncLogEntry", [&](Client& c) { return c.AddSyncLogEntry("ok"); }, {0x2A, 1, 0x20, 3, 'o', 'k', 0}},
      {"OpenConduit", [&](Client& c) { return c.OpenConduit(); }, {0x2E, 0}},
      {"EndOfSync", [&](Client& c) { return c.EndOfSync(kEndOther); }, {0x2F, 1, 0x20, 2, 0, 3}},
  };
  for (const auto& golden : goldens) {
    SCOPED_TRACE(golden.what);
    ScriptedLink link;
    Client client(link);
    const Status status = golden.call(client);
    EXPECT_TRUE(status.ok()) << status.Describe();
    ASSERT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(link.sent[0], golden.request);
  }
}

TEST(DlpClientTest, AnswersAreReadByTheirFields) {
  ScriptedLink link;
  Client client(link);

  // clang-format off
  link.answers.push_back(Answer(0x10, {0, 0, 0x30, 0x39, 0, 0, 0, 1, 0, 0, 0, 2, 0x07, 0xE9, 3, 4, 5, 6, 7, 0,
                                       0x07, 0xEA, 11, 12, 13, 14, 15, 0, 4, 0, 'B', 'o', 'b', 0}));
  // clang-format on
  UserInfo user;
  ASSERT_TRUE(client.ReadUserInfo(user).ok());
  EXPECT_EQ(user.userId, 12345u);
  EXPECT_EQ(user.lastSyncPc, 2u);
  EXPECT_EQ(user.successfulSync.year, 2025);
  EXPECT_EQ(user.successfulSync.second, 7);
  EXPECT_EQ(user.lastSync.month, 11);
  EXPECT_EQ(user.name, "Bob");

  link.answers.push_back(Answer(0x20, {0, 0, 1, 0, 0, 5, 0, 3, 0x40, 2, 'a', 'b', 'c'}));
  RecordData record;
  ASSERT_TRUE(client.ReadRecordByIndex(1, 5, kReadWhole, record).ok());
  EXPECT_EQ(record.id, 256u);
  EXPECT_EQ(record.index, 5);
  EXPECT_EQ(record.size, 3);
  EXPECT_EQ(record.attributes, 0x40);
  EXPECT_EQ(record.category, 2);
  EXPECT_EQ(record.data, (Bytes{'a', 'b', 'c'}));

  // Before DLP 1.2 the handheld does not say; Palm OS 1 has no preferences.
  for (const auto& [rom, minor] : {std::pair{0x01003000u, 0}, std::pair{0x02003000u, 1}}) {
    link.answers.push_back(
        Answer(0x12, {uint8_t(rom >> 24), uint8_t(rom >> 16), uint8_t(rom >> 8), 0, 0, 0, 0, 0, 0, 0}));
    SysInfo sys;
    ASSERT_TRUE(client.ReadSysInfo(sys).ok());
    EXPECT_EQ(sys.romVersion, rom);
    EXPECT_EQ(sys.dlpMajor, 1);
    EXPECT_EQ(sys.dlpMinor, minor) << std::hex << rom;
  }

  // One entry, then "more" with a second page of none.
  Bytes page{0, 9, 0x80, 1};
  Bytes entry(44, 0);
  entry[0] = 48;
  entry[4] = 'a', entry[5] = 'p', entry[6] = 'p', entry[7] = 'l';
  entry[42] = 0, entry[43] = 9;
  entry.insert(entry.end(), {'M', 'e', 'm', 0});
  page.insert(page.end(), entry.begin(), entry.end());
  link.answers.push_back(Answer(0x16, page));
  link.answers.push_back({0x96, 0, 0, 5});  // not found: past the last
  std::vector<DatabaseInfo> databases;
  ASSERT_TRUE(client.ReadDatabaseList(databases).ok());
  ASSERT_EQ(databases.size(), 1u);
  EXPECT_EQ(databases[0].name, "Mem");
  EXPECT_EQ(databases[0].type, 0x6170706Cu);
  EXPECT_EQ(databases[0].index, 9);
  EXPECT_EQ(link.sent.back(), (Bytes{0x16, 1, 0x20, 4, 0xA0, 0, 0, 10})) << "the next page starts after the last index";
}

TEST(DlpClientTest, AShortAnswerEndsTheLinkAndAnOversizedFieldIsNeverSent) {
  ScriptedLink link;
  Client client(link);
  ResourceData resource;
  resource.data.assign(70000, 1);
  const Status tooWide = client.WriteResource(3, resource);
  EXPECT_EQ(tooWide.kind, Status::Kind::kProtocol);
  EXPECT_NE(tooWide.detail.find("WriteResource: 70000 does not fit"), std::string::npos) << tooWide.detail;
  RecordData large;
  large.data.assign(kMaxWriteRecordData + 1, 1);
  uint32_t id = 0;
  EXPECT_EQ(client.WriteRecord(3, large, id).Describe(),
            "WriteRecord: 65536 bytes, more than one argument carries (65535); nothing was sent");
  EXPECT_TRUE(link.sent.empty());
  EXPECT_TRUE(client.linkFailure().ok()) << "the link is as it was";

  link.answers.push_back(Answer(0x20, {0, 0, 1, 0, 0, 5, 0, 3, 0x40}));  // one byte short of the fields
  RecordData record;
  const Status shortAnswer = client.ReadRecordByIndex(1, 5, kReadWhole, record);
  EXPECT_EQ(shortAnswer.Describe(), "ReadRecord: the handheld's answer is too short");
  EXPECT_FALSE(client.CloseDb(1).ok());
  EXPECT_EQ(link.sent.size(), 1u) << "nothing goes out after a broken answer";
}

}  // namespace
}  // namespace oq::dlp
