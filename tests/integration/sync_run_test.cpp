#include <ctime>

#include "conduit_fixture.h"
#include "conduit_settings.h"
#include "handheld_files.h"
#include "program_records.h"
#include "scripted_http_server.h"
#include "sync_manager.h"
#include "test_hooks.h"

namespace oq {
namespace {

using handheld_host::Operation;
using ::testing::ElementsAre;

class SyncRunTest : public test::ConduitFixture {
 protected:
  // An empty catalogue and the preference, so that a pass can succeed.
  void AddCatalogue() {
    test::WriteDatabase(image() / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", {}));
    test::WriteSavedPreferences(image(), test::MakeTrackerPreference(0));
  }
  void AddCatalogueWithoutPreference() {
    test::WriteDatabase(image() / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", {}));
  }
  static int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }
  void SetLastTrack(const std::string& period, int64_t lastTrack) {
    WriteSettings("[Track]\nPeriod=" + period + "\nLastTrackTime=" + std::to_string(lastTrack) + "\n");
  }
  int Registrations() const { return handheld_host::CallCount(Operation::kRegister); }

  test::ScriptedHttpServer tracker_{[](const auto&) {
    test::ScriptedHttpServer::Response response;
    response.body = "<status>okay</status><msg>hello</msg>";
    return response;
  }};
  test::ScopedEnvironment proxy_{"http_proxy", tracker_.Url("").c_str()};
};

TEST_F(SyncRunTest, DoNothingComesBeforeEveryOtherCheck) {
  SetLastTrack("1", Now() - 60);  // the period gate would stop the run too
  EXPECT_EQ(RunOpenConduit(6, /*withProgress=*/false), 0);
  EXPECT_THAT(HotSyncLog(), ElementsAre("OrbitQuail - sync configured to Do Nothing"));
  EXPECT_EQ(Registrations(), 0);
}

TEST_F(SyncRunTest, PeriodGateShowsTheHoursSinceTheLastPass) {
  SetLastTrack("1", Now() - 3600);
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_THAT(HotSyncLog(), ElementsAre("OrbitQuail - Do nothing because it just tracked 1.00 hours ago."));
  EXPECT_EQ(Registrations(), 0);
}

TEST_F(SyncRunTest, ClockMovedBackStillStopsTheRun) {
  SetLastTrack("2", Now() + 7200);
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_THAT(HotSyncLog(), ElementsAre("OrbitQuail - Do nothing because it just tracked -2.00 hours ago."));
}

TEST_F(SyncRunTest, GateRunsBeforeTheProgressCallbackIsTested) {
  SetLastTrack("1", Now() - 60);
  EXPECT_EQ(RunOpenConduit(0, /*withProgress=*/false), 0);
  WriteSettings("[Track]\nPeriod=0\n");
  EXPECT_EQ(RunOpenConduit(0, /*withProgress=*/false), -1);
  EXPECT_EQ(Registrations(), 0);
}

TEST_F(SyncRunTest, PeriodOfZeroOrLessOrPastTheLastPassTracks) {
  AddCatalogue();
  for (const char* period : {"0", "-3", "abc"}) {
    SetLastTrack(period, Now() - 10);
    handheld_host::BeginSync(image());
    EXPECT_EQ(RunOpenConduit(), 0) << period;
    EXPECT_EQ(Registrations(), 1) << period;
  }
  SetLastTrack("1", Now() - 86400);
  handheld_host::BeginSync(image());
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_EQ(Registrations(), 1);
}

TEST_F(SyncRunTest, HugePeriodWrapsInThirtyTwoBits) {
  AddCatalogue();
  // 24856 days * 86400 s wraps to a negative product: no gate.
  SetLastTrack("24856", Now() - 10);
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_EQ(Registrations(), 1);
}

TEST_F(SyncRunTest, GateWorksAfter2038) {
  // A pass recorded in 2040 with the clock in 2026: the gate sees a
  // negative elapsed time instead of a wrapped one.
  SetLastTrack("1", 2208988800);
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_EQ(Registrations(), 0);
}

TEST_F(SyncRunTest, HugeNegativeLastTrackTimeTracks) {
  AddCatalogue();
  WriteSettings("[Track]\nPeriod=1\nLastTrackTime=-99999999999999999999999\n");
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_EQ(Registrations(), 1) << "long ago: the gate lets the run through";
}

TEST_F(SyncRunTest, FailedRegistrationIsReturned) {
  handheld_host::FailNthCall(Operation::kRegister, 1, 0x4011);
  EXPECT_EQ(RunOpenConduit(), 0x4011);
  EXPECT_EQ(handheld_host::HandheldLog(), "Can't register OrbitQuail conduit.\n");
  EXPECT_TRUE(HotSyncLog().empty());
}

TEST_F(SyncRunTest, SyncManagerOlderThan22IsRefused) {
  handheld_host::SetApiVersion(2, 1);
  EXPECT_EQ(RunOpenConduit(), 0) << "the version call's own result";
  EXPECT_EQ(handheld_host::HandheldLog(), "SyncMgr version is less than 2.2\n");
  EXPECT_FALSE(handheld_host::ConduitRegistered());
  EXPECT_EQ(handheld_host::CallCount(Operation::kOpenDb), 0);

  AddCatalogue();
  handheld_host::BeginSync(image());
  handheld_host::SetApiVersion(3, 0);
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_EQ(handheld_host::CallCount(Operation::kOpenDb), 1);
}

TEST_F(SyncRunTest, MissingCatalogueIsInBothLogsAndNotAFailure) {
  const char* line = "OrbitQuail: Can't find database, OQProgDB. Please run OrbitQuail palm program first.\n";
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_EQ(handheld_host::HandheldLog(), line);
  EXPECT_THAT(HotSyncLog(), ElementsAre(std::string("---    ") + line));
  EXPECT_FALSE(handheld_host::ConduitRegistered());
  EXPECT_FALSE(std::filesystem::exists(home_.SettingsPath())) << "no pass, no LastTrackTime";
}

TEST_F(SyncRunTest, SuccessfulRunRecordsTheTimeAndClosesEverything) {
  AddCatalogue();
  WriteSettings("[Track]\nPeriod=-1\nLastTrackTime=5\n");
  const int64_t before = Now();
  EXPECT_EQ(RunOpenConduit(), 0);
  EXPECT_THAT(HotSyncLog(), ElementsAre("--- OrbitQuail start ---", "--- OK - OrbitQuail ---"));
  EXPECT_EQ(handheld_host::HandheldLog(), "OK OrbitQuail\n");
  const int64_t written = hotsync::LastTrackTime().value_or(0);
  EXPECT_GE(written, before);
  EXPECT_LE(written, Now());
  EXPECT_EQ(handheld_host::OpenDatabaseCount(), 0u);
  EXPECT_FALSE(handheld_host::ConduitRegistered());
}

TEST_F(SyncRunTest, FailedPassKeepsTheLastTrackTime) {
  AddCatalogueWithoutPreference();  // the pass fails reading the preference
  WriteSettings("[Track]\nPeriod=-1\nLastTrackTime=5\n");
  EXPECT_EQ(RunOpenConduit(), sync::kErrNotFound);
  EXPECT_THAT(HotSyncLog(), ElementsAre("--- OrbitQuail start ---", "---    Failed to read preference DB. Error=4003",
                                        "--- Error - OrbitQuail ---"));
  EXPECT_EQ(handheld_host::HandheldLog(), "OrbitQuail error.\n");
  EXPECT_EQ(Settings(), "[Track]\nPeriod=-1\nLastTrackTime=5\n");
  EXPECT_EQ(handheld_host::OpenDatabaseCount(), 0u);
  EXPECT_FALSE(handheld_host::ConduitRegistered());
}

}  // namespace
}  // namespace oq
