#include <gtest/gtest.h>

#include <cstring>

#include "handheld_files.h"
#include "handheld_host.h"
#include "test_hooks.h"
#include "standin_errors.h"
#include "sync_manager.h"
#include "test_environment.h"

namespace oq {
namespace {

using handheld_host::Operation;

// Fields of the packed blocks are compared by value (unary +): the
// assertions would otherwise bind references to unaligned members.

class SyncManagerStandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto db = test::MakeRecordDatabase("Catalogue", "DATA", "rkOQ", {{1, 2, 3}, {4, 5}, {6}});
    db.records[1].attributes = palm::kRecordSecret | 0x02;
    db.appInfo = std::vector<uint8_t>{9, 9, 9};
    db.uniqueIdSeed = 0x200;
    test::WriteDatabase(CataloguePath(), db);
    handheld_host::BeginSync(image_.path());
  }
  void TearDown() override { handheld_host::EndSync(); }

  std::filesystem::path CataloguePath() const { return image_.path() / "Catalogue.pdb"; }

  uint8_t Open(uint8_t mode) {
    uint8_t handle = 0;
    EXPECT_EQ(SyncOpenDB("Catalogue", 0, &handle, mode), 0);
    return handle;
  }

  test::TempDir image_;
};

TEST_F(SyncManagerStandinTest, OpensByHeaderNameOnCardZeroOnly) {
  std::filesystem::rename(CataloguePath(), image_.path() / "renamed.PDB");
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("Catalogue", 1, &handle, 0xC0), sync::kErrNotFound);
  EXPECT_EQ(SyncOpenDB("Missing", 0, &handle, 0xC0), sync::kErrNotFound);
  ASSERT_EQ(SyncOpenDB("Catalogue", 0, &handle, 0xC0), 0);
  EXPECT_NE(handle, 0);
  uint8_t second = 0;
  EXPECT_EQ(SyncOpenDB("Catalogue", 0, &second, 0xC0), standin::kErrFileAlreadyOpen);
  EXPECT_EQ(SyncCloseDB(handle), 0);
  EXPECT_EQ(SyncCloseDB(handle), standin::kErrFileNotOpen);
}

TEST_F(SyncManagerStandinTest, SecretRecordsAreShownOnlyUnderTheSecretMode) {
  DbInfoBlock info{};
  DbInfoRequest request{sync::kDbInfoWantCount, Open(0xC0)};
  ASSERT_EQ(SyncReadOpenDbInfo(&request, &info), 0);
  EXPECT_EQ(+info.recordCount, 2u);
  SyncCloseDB(request.dbHandle);

  request.dbHandle = Open(0xD0);
  ASSERT_EQ(SyncReadOpenDbInfo(&request, &info), 0);
  EXPECT_EQ(+info.recordCount, 3u);
  EXPECT_STREQ(info.listEntry.name, "Catalogue");
  // The count sits at byte 78 of the block, after the 78-byte list entry.
  uint32_t atByte78 = 0;
  std::memcpy(&atByte78, reinterpret_cast<const uint8_t*>(&info) + 78, 4);
  EXPECT_EQ(atByte78, 3u);
}

TEST_F(SyncManagerStandinTest, ReadFillsTheDescriptorAndCopiesAtMostTheBuffer) {
  uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  RawRecordDescriptor record{};
  record.dbHandle = Open(0xD0);
  record.recordIndex = 1;
  record.bufferSize = 1;
  record.buffer = buffer;
  ASSERT_EQ(SyncReadRecordByIndex(&record), 0);
  EXPECT_EQ(+record.recordId, 0x101u);
  EXPECT_EQ(+record.attributes, palm::kRecordSecret);
  EXPECT_EQ(+record.category, 2);
  EXPECT_EQ(+record.recordSize, 2u) << "the true size, not the bytes copied";
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(buffer[1], 0xEE) << "nothing beyond the buffer's size is written";

  record.recordIndex = 3;
  EXPECT_EQ(SyncReadRecordByIndex(&record), sync::kErrNotFound);
}

TEST_F(SyncManagerStandinTest, WritesReplaceInPlaceOrAppendAndPersistOnClose) {
  const auto before = test::ReadBytes(CataloguePath());
  uint8_t replacement[] = {7, 7, 7, 7};
  RawRecordDescriptor record{};
  record.dbHandle = Open(0xD0);
  record.recordId = 0x100;
  record.recordSize = 4;
  record.bufferSize = sizeof replacement;
  record.buffer = replacement;
  ASSERT_EQ(SyncWriteRec(&record), 0);

  RawRecordDescriptor added{};
  added.dbHandle = record.dbHandle;
  added.recordSize = 1;
  added.bufferSize = 1;
  added.buffer = replacement;
  ASSERT_EQ(SyncWriteRec(&added), 0);
  EXPECT_EQ(+added.recordId, 0x201u) << "a fresh id from the seed";

  EXPECT_EQ(test::ReadBytes(CataloguePath()), before) << "nothing reaches the file before the close";
  ASSERT_EQ(SyncCloseDB(record.dbHandle), 0);

  auto db = test::ReadDatabase(CataloguePath());
  ASSERT_EQ(db.records.size(), 4u);
  EXPECT_EQ(db.records[0].data, (std::vector<uint8_t>{7, 7, 7, 7})) << "the record keeps its index";
  EXPECT_EQ(db.records[1].data, (std::vector<uint8_t>{4, 5}));
  EXPECT_EQ(db.records[3].uniqueId, 0x201u);
  EXPECT_EQ(db.uniqueIdSeed, 0x201u);
  EXPECT_EQ(db.appInfo, (std::vector<uint8_t>{9, 9, 9})) << "app info kept byte for byte";
  EXPECT_EQ(db.modificationNumber, 1u);
  for (const auto& entry : std::filesystem::directory_iterator(image_.path())) {
    EXPECT_EQ(entry.path().extension(), ".pdb") << "no temporary file left: " << entry.path();
  }
}

TEST_F(SyncManagerStandinTest, EveryRecordGetsAnIdOfItsOwnSoAWriteReplacesTheRecordRead) {
  // Ids 0 and repeated ids, as other tools write them; 0x205 is taken by a
  // record that comes later, so the fresh ids must step over it.
  auto db = test::MakeRecordDatabase("Catalogue", "DATA", "rkOQ", {{1}, {2}, {3}, {4}, {5}});
  const uint32_t stored[] = {0, 0x205, 0x205, 0, 0x203};
  for (size_t i = 0; i < db.records.size(); ++i) db.records[i].uniqueId = stored[i];
  db.uniqueIdSeed = 0x203;
  test::WriteDatabase(CataloguePath(), db);

  const uint8_t handle = Open(0xD0);
  std::vector<uint32_t> ids;
  for (uint16_t index = 0; index < 5; ++index) {
    uint8_t byte = 0;
    RawRecordDescriptor record{};
    record.dbHandle = handle;
    record.recordIndex = index;
    record.bufferSize = 1;
    record.buffer = &byte;
    ASSERT_EQ(SyncReadRecordByIndex(&record), 0);
    ids.push_back(+record.recordId);
    // Written back by id, as the tracking pass does, with the index unset.
    byte = static_cast<uint8_t>(byte + 10);
    record.recordIndex = 0;
    record.recordSize = 1;
    ASSERT_EQ(SyncWriteRec(&record), 0);
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x204, 0x205, 0x206, 0x207, 0x203}));
  ASSERT_EQ(SyncCloseDB(handle), 0);

  const auto saved = test::ReadDatabase(CataloguePath());
  ASSERT_EQ(saved.records.size(), 5u) << "nothing appended";
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(saved.records[i].data, std::vector<uint8_t>{static_cast<uint8_t>(11 + i)}) << i;
    EXPECT_EQ(saved.records[i].uniqueId, ids[i]) << "the fresh ids are kept";
  }
  EXPECT_EQ(saved.uniqueIdSeed, 0x207u);
}

TEST_F(SyncManagerStandinTest, AppendedIdsStepOverHiddenRecordsAndHiddenRecordsCannotBeWritten) {
  // Record 1 (id 0x101) is secret; the seed points just below it.
  auto db = test::ReadDatabase(CataloguePath());
  db.uniqueIdSeed = 0x100;
  test::WriteDatabase(CataloguePath(), db);
  uint8_t byte = 1;
  RawRecordDescriptor record{};
  record.dbHandle = Open(0xC0);
  record.recordId = 0x101;
  record.recordSize = 1;
  record.bufferSize = 1;
  record.buffer = &byte;
  EXPECT_EQ(SyncWriteRec(&record), sync::kErrNotFound) << "not shown, so not there";
  record.recordId = 0;
  ASSERT_EQ(SyncWriteRec(&record), 0);
  EXPECT_EQ(+record.recordId, 0x103u);
}

TEST_F(SyncManagerStandinTest, AWriteKeepsTheAttributesTheDescriptorCarriesAndSetsDirty) {
  auto db = test::ReadDatabase(CataloguePath());
  db.records[0].attributes = palm::kRecordDeleted | palm::kRecordBusy | 0x03;
  test::WriteDatabase(CataloguePath(), db);
  uint8_t byte = 0;
  RawRecordDescriptor record{};
  record.dbHandle = Open(0xD0);
  record.bufferSize = 1;
  record.buffer = &byte;
  ASSERT_EQ(SyncReadRecordByIndex(&record), 0);
  record.recordSize = 1;
  ASSERT_EQ(SyncWriteRec(&record), 0);
  ASSERT_EQ(SyncCloseDB(record.dbHandle), 0);
  EXPECT_EQ(test::ReadDatabase(CataloguePath()).records[0].attributes,
            palm::kRecordDeleted | palm::kRecordDirty | palm::kRecordBusy | 0x03);
}

TEST_F(SyncManagerStandinTest, LeftoversOfAKilledSaveGoAndALinkIsWrittenThrough) {
  const auto elsewhere = image_.path() / "elsewhere";
  std::filesystem::create_directories(elsewhere);
  std::filesystem::rename(CataloguePath(), elsewhere / "Catalogue.pdb");
  std::filesystem::create_symlink(elsewhere / "Catalogue.pdb", CataloguePath());
  for (const char* name : {"Catalogue.pdb.a1B2c3", "Catalogue.pdb.keep", "Other.pdb.a1B2c3"}) {
    test::WriteText(elsewhere / name, "left over");
  }
  uint8_t byte = 7;
  RawRecordDescriptor record{};
  record.dbHandle = Open(0xD0);
  record.recordSize = 1;
  record.bufferSize = 1;
  record.buffer = &byte;
  ASSERT_EQ(SyncWriteRec(&record), 0);
  ASSERT_EQ(SyncCloseDB(record.dbHandle), 0);

  EXPECT_TRUE(std::filesystem::is_symlink(CataloguePath())) << "the link stays a link";
  EXPECT_EQ(test::ReadDatabase(elsewhere / "Catalogue.pdb").records.size(), 4u) << "its target was written";
  EXPECT_FALSE(std::filesystem::exists(elsewhere / "Catalogue.pdb.a1B2c3"));
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "Catalogue.pdb.keep")) << "not of our naming";
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "Other.pdb.a1B2c3")) << "another file's";
}

TEST_F(SyncManagerStandinTest, WritesAreRefusedWhenTheyCannotBeDoneSafely) {
  uint8_t bytes[8] = {};
  RawRecordDescriptor record{};
  record.dbHandle = Open(0x80);
  record.recordSize = 1;
  record.bufferSize = 8;
  record.buffer = bytes;
  EXPECT_EQ(SyncWriteRec(&record), standin::kErrReadOnly);
  SyncCloseDB(record.dbHandle);

  record.dbHandle = Open(0xC0);
  record.recordSize = 9;
  EXPECT_EQ(SyncWriteRec(&record), standin::kErrBadArgument) << "never read past the caller's buffer";
  record.recordSize = 1;
  record.recordId = 0x101;  // secret, hidden under this mode
  EXPECT_EQ(SyncWriteRec(&record), sync::kErrNotFound);
}

TEST_F(SyncManagerStandinTest, DamagedFileIsAnErrorAndIsNeverOverwritten) {
  auto bytes = test::ReadBytes(CataloguePath());
  bytes.resize(90);  // cut inside the record list
  test::WriteText(CataloguePath(), std::string(bytes.begin(), bytes.end()));
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("Catalogue", 0, &handle, 0xD0), standin::kErrDamagedDatabase);
  EXPECT_EQ(test::ReadBytes(CataloguePath()), bytes);

  auto good = test::MakeRecordDatabase("Catalogue", "DATA", "rkOQ", {{1}});
  auto full = palm::SerializeDatabase(good);
  full[81] = 0x01;  // record offset inside the record list
  test::WriteText(CataloguePath(), std::string(full.begin(), full.end()));
  EXPECT_EQ(SyncOpenDB("Catalogue", 0, &handle, 0xD0), standin::kErrDamagedDatabase);
  EXPECT_EQ(test::ReadBytes(CataloguePath()), full);
  EXPECT_EQ(handheld_host::OpenDatabaseCount(), 0u);
}

TEST_F(SyncManagerStandinTest, PreferencesLiveInSavedPreferences) {
  uint8_t buffer[6] = {};
  PreferenceParameterBlock block{};
  block.version = 0x130;
  block.creator = 0x726B4F51;
  block.requestedBytes = 0xFFFF;
  block.backedUp = 1;
  block.bufferSize = sizeof buffer;
  block.buffer = buffer;
  EXPECT_EQ(SyncReadAppPreference(&block), sync::kErrNotFound) << "no Saved Preferences yet";

  const uint8_t written[6] = {'h', 'e', 'l', 'l', 'o', 0};
  std::memcpy(buffer, written, sizeof buffer);
  block.version = 0x120;
  ASSERT_EQ(SyncWriteAppPreference(&block), 0);
  auto prefs = test::ReadDatabase(image_.path() / "Saved Preferences.prc");
  ASSERT_EQ(prefs.resources.size(), 1u);
  EXPECT_EQ(palm::FourCCText(prefs.resources[0].type), "rkOQ");
  EXPECT_EQ(prefs.resources[0].data, (std::vector<uint8_t>{0x01, 0x20, 'h', 'e', 'l', 'l', 'o', 0}));

  std::memset(buffer, 0, sizeof buffer);
  block.version = 0x130;
  ASSERT_EQ(SyncReadAppPreference(&block), 0);
  EXPECT_EQ(+block.version, 0x120) << "the stored version comes back";
  EXPECT_EQ(+block.returnedBytes, 6);
  EXPECT_EQ(0, std::memcmp(buffer, written, sizeof buffer));

  block.preferenceId = 1;
  EXPECT_EQ(SyncReadAppPreference(&block), sync::kErrNotFound);
}

TEST_F(SyncManagerStandinTest, NthCallFailsWithTheInjectedCode) {
  handheld_host::FailNthCall(Operation::kReadRecordByIndex, 2, 0x4321);
  uint8_t buffer[8];
  RawRecordDescriptor record{};
  record.dbHandle = Open(0xD0);
  record.bufferSize = sizeof buffer;
  record.buffer = buffer;
  EXPECT_EQ(SyncReadRecordByIndex(&record), 0);
  EXPECT_EQ(SyncReadRecordByIndex(&record), 0x4321);
  EXPECT_EQ(SyncReadRecordByIndex(&record), 0) << "only the nth call fails";
  EXPECT_EQ(handheld_host::CallCount(Operation::kReadRecordByIndex), 3);
}

TEST_F(SyncManagerStandinTest, RegistrationAndVersion) {
  uint32_t handle = 0;
  ASSERT_EQ(SyncRegisterConduit(&handle), 0);
  EXPECT_TRUE(handheld_host::ConduitRegistered());
  uint32_t major = 0, minor = 0;
  EXPECT_EQ(SyncGetAPIVersion(&major, &minor), 0);
  EXPECT_EQ(major, 2u);
  EXPECT_EQ(minor, 2u);
  handheld_host::SetApiVersion(3, 0);
  SyncGetAPIVersion(&major, &minor);
  EXPECT_EQ(major, 3u);
  EXPECT_EQ(SyncUnRegisterConduit(handle), 0);
  EXPECT_FALSE(handheld_host::ConduitRegistered());
}

TEST_F(SyncManagerStandinTest, HandheldLogKeepsTheNewestTwoKilobytes) {
  const std::string line(99, 'x');
  for (int i = 0; i < 30; ++i) SyncAddLogEntry((line + "\n").c_str());
  SyncAddLogEntry("last\n");
  const std::string log = handheld_host::HandheldLog();
  EXPECT_LE(log.size(), handheld_host::kHandheldLogCapacity);
  EXPECT_EQ(log.substr(log.size() - 5), "last\n");
  EXPECT_EQ(log.front(), 'x') << "whole lines are dropped from the front";
  EXPECT_EQ(log.size() % 100, 5u);
}

}  // namespace
}  // namespace oq
