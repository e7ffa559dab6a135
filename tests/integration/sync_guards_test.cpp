// What `sync` refuses and what it puts back: a folder that is no handheld,
// a second HotSync of one handheld, a Ctrl-C in the middle; and what it
// counts as outdated once the user set programs aside.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "byte_codec.h"
#include "child_process.h"
#include "handheld_files.h"
#include "program_record.h"
#include "program_records.h"
#include "scripted_http_server.h"
#include "test_environment.h"

namespace oq {
namespace {

namespace fs = std::filesystem;
namespace layout = program_record;
using ::testing::HasSubstr;
using ::testing::Not;

class SyncGuardsTest : public ::testing::Test {
 protected:
  fs::path Handheld() const { return work_.path() / "handheld"; }
  test::ScopedHome home_;
  test::TempDir work_;
};

TEST_F(SyncGuardsTest, AFolderWithoutPalmDatabasesIsRefusedBeforeAnythingIsWritten) {
  fs::create_directories(Handheld());
  const auto empty = test::RunHotSync("sync --handheld " + Handheld().string());
  EXPECT_EQ(empty.status, 2) << empty.output;
  EXPECT_THAT(empty.output, HasSubstr("holds no Palm databases; is it the handheld's backup folder?"));

  test::WriteText(Handheld() / "letter.txt", "Dear Sir");
  test::WriteText(Handheld() / "report.pdb", "PK");
  for (const char* command : {"sync", "catalog"}) {
    const auto documents = test::RunHotSync(std::string(command) + " --handheld " + Handheld().string());
    EXPECT_EQ(documents.status, 2) << documents.output;
    EXPECT_THAT(documents.output,
                HasSubstr((Handheld() / "report.pdb").string() + " is shorter than a database header"));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(Handheld()), fs::directory_iterator()), 2) << "nothing written";
  EXPECT_FALSE(fs::exists(home_.path() / "palm" / "users.ini")) << "no user made for it";
}

TEST_F(SyncGuardsTest, ASecondHotSyncOfOneHandheldWaitsItsTurn) {
  test::WriteMemoDatabase(Handheld());
  const int held = open(Handheld().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  for (const char* command : {"sync --action 6", "catalog", "ignore StCh"}) {
    const auto second = test::RunHotSync(std::string(command) + " --handheld " + Handheld().string());
    EXPECT_EQ(second.status, 1) << command << second.output;
    EXPECT_THAT(second.output, HasSubstr("another HotSync of this handheld is running")) << command;
  }
  close(held);
  EXPECT_EQ(test::RunHotSync("sync --action 6 --handheld " + Handheld().string()).status, 3);
}

TEST_F(SyncGuardsTest, ACtrlCInTheMiddleChangesNothingAndSaysSo) {
  std::vector<std::vector<uint8_t>> records;
  for (const char* creator : {"Aaaa", "Bbbb", "Cccc", "Dddd"}) {
    records.push_back(test::MakeProgramRecord({.creator = creator, .name = std::string("Program ") + creator}));
  }
  fs::create_directories(Handheld());
  test::WriteDatabase(Handheld() / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
  test::WriteSavedPreferences(Handheld(), test::MakeTrackerPreference(0, "yesterday's message"));
  test::WriteText(home_.SettingsPath(), "[Track]\nPeriod=0\nLastTrackTime=12345\n");
  const auto catalogue = test::ReadBytes(Handheld() / "OQProgDB.pdb");
  const auto preferences = test::ReadBytes(Handheld() / "Saved Preferences.prc");
  test::ScriptedHttpServer tracker([](const test::ScriptedHttpServer::Request&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    test::ScriptedHttpServer::Response response;
    response.body = "<status>okay</status><version>9.9</version><date>2026/01/01</date><msg>today's</msg>";
    return response;
  });

  const std::string script = "http_proxy=" + tracker.Url("") + " " OQ_HOTSYNC_PATH " sync --no-catalog --handheld " +
                             Handheld().string() + " >" + (work_.path() / "out").string() +
                             " 2>&1 & S=$!; "
                             "while [ ! -s " +
                             (work_.path() / "asked").string() +
                             " ]; do sleep 0.02; done; "
                             "kill -INT $S; wait $S; echo $?";
  std::thread watcher([&] {
    while (tracker.Requests().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    test::WriteText(work_.path() / "asked", "yes");
  });
  const auto outcome = test::RunCommand(script);
  watcher.join();
  const std::string output = test::ReadText(work_.path() / "out");
  EXPECT_EQ(outcome.standardOutput, "1\n") << output;
  EXPECT_THAT(output, HasSubstr("oq-hotsync: interrupted; nothing was changed"));
  EXPECT_EQ(test::ReadBytes(Handheld() / "OQProgDB.pdb"), catalogue);
  EXPECT_EQ(test::ReadBytes(Handheld() / "Saved Preferences.prc"), preferences);
  EXPECT_THAT(test::ReadText(home_.SettingsPath()), HasSubstr("LastTrackTime=12345\n"));
}

TEST_F(SyncGuardsTest, ProgramsSetAsideAreNotOutdatedUnlessAllAreAsked) {
  std::vector<std::vector<uint8_t>> records;
  for (const char* creator : {"Aaaa", "Bbbb", "Cccc"}) {
    records.push_back(test::MakeProgramRecord({.creator = creator,
                                               .name = std::string("Program ") + creator,
                                               .skipFlag = creator[0] == 'C',
                                               .excludeFlag = creator[0] == 'B'}));
    bytes::ByteWriter(records.back()).Text(layout::kLatestVersionOffset, layout::kVersionLength, "2.0");
  }
  fs::create_directories(Handheld());
  test::WriteDatabase(Handheld() / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
  test::WriteSavedPreferences(Handheld(), test::MakeTrackerPreference(1));

  const auto outdated = test::RunHotSync("show --outdated --handheld " + Handheld().string());
  EXPECT_EQ(outdated.status, 4);
  EXPECT_THAT(outdated.output, HasSubstr("Program Aaaa"));
  EXPECT_THAT(outdated.output, Not(HasSubstr("Program Bbbb")));
  EXPECT_THAT(outdated.output, Not(HasSubstr("Program Cccc")));
  const auto all = test::RunHotSync("show --outdated --all --handheld " + Handheld().string());
  EXPECT_THAT(all.output, HasSubstr("Program Bbbb"));
  EXPECT_THAT(all.output, HasSubstr("Program Cccc"));
  const auto table = test::RunHotSync("show --handheld " + Handheld().string());
  EXPECT_THAT(table.output, HasSubstr("3 programs, 1 with a newer version (and 2 ignored or skipped)"));

  records[0][layout::kExcludeFlagOffset] = 1;
  test::WriteDatabase(Handheld() / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
  EXPECT_EQ(test::RunHotSync("show --outdated --handheld " + Handheld().string()).status, 0)
      << "a cron job alerting on 4 can be silenced";
  test::WriteText(home_.SettingsPath(), "[Track]\nLastTrackTime=86400\n");
  const auto json = test::RunHotSync("show --json --handheld " + Handheld().string());
  EXPECT_THAT(json.output, HasSubstr("\"lastTracked\": \"1970-01-02T00:00:00Z\"")) << "ISO, as releaseDate is";
}

}  // namespace
}  // namespace oq
