// oq-hotsync listen against a simulated handheld on loopback: the network
// HotSync as a handheld starts it, the conduit tracking over the link, and
// every way a handheld can fail the desktop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <sstream>
#include <tuple>

#include "child_process.h"
#include "desktop_directory.h"
#include "handheld_files.h"
#include "listen_fixture.h"
#include "test_environment.h"

namespace oq {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using test::ListenRun;
using test::Records;
using test::TrackerPreference;
using NetworkHotSyncTest = test::ListenFixture;

TEST_F(NetworkHotSyncTest, AWholeHotSyncLeavesTheHandheldAsTheFolderBuildLeavesIt) {
  const ListenRun run = Sync("");
  ASSERT_EQ(run.listen, 0) << run.output;
  EXPECT_EQ(run.handheld, 0);
  EXPECT_THAT(run.output, HasSubstr("--- OrbitQuail start ---\n"));
  EXPECT_THAT(run.output, HasSubstr("To be tracked: 1"));
  EXPECT_THAT(run.output, HasSubstr("HotSync with \"Me\" complete"));
  EXPECT_EQ(run.info.at("endStatus"), "0");
  EXPECT_EQ(run.info.at("log"), "OK OrbitQuail");
  EXPECT_NE(run.info.at("lastSyncPc"), "0");
  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(std::stoi(run.info.at("lastSyncYear")), 1900 + std::localtime(&now)->tm_year) << "the desktop's clock";
  EXPECT_THAT(standin::DesktopDirectory().Users(), ::testing::Contains("Me"));

  // The same files through the folder build, with a desktop of its own.
  fs::copy(Path("backup"), Path("folder"));
  const auto folder = test::RunHotSync("sync --handheld " + Path("folder") + " --user Me",
                                       "ORBITQUAIL_HOME=" + Path("folder-home") + " http_proxy=" + tracker_.Url());
  ASSERT_EQ(folder.status, 0) << folder.output;

  const auto live = test::ReadDatabase(Path("saved") + "/OQProgDB.pdb");
  const auto built = test::ReadDatabase(Path("folder") + "/OQProgDB.pdb");
  EXPECT_EQ(Records(live), Records(built));
  EXPECT_EQ(live.appInfo, built.appInfo);
  ASSERT_FALSE(TrackerPreference(test::ReadDatabase(Path("saved") + "/Saved Preferences.prc")).empty());
  EXPECT_EQ(TrackerPreference(test::ReadDatabase(Path("saved") + "/Saved Preferences.prc")),
            TrackerPreference(test::ReadDatabase(Path("folder") + "/Saved Preferences.prc")));
}

TEST_F(NetworkHotSyncTest, AHandheldThatCannotBeReadWholeLosesNoRecordAnswerOrFlag) {
  ASSERT_EQ(Sync("", "--timeout 5", "first").listen, 0);
  const auto ignored = test::RunHotSync("ignore --handheld " + Path("first") + " StCh");
  ASSERT_EQ(ignored.status, 0) << ignored.output;
  const auto before = test::ReadDatabase(Path("first") + "/OQProgDB.pdb");
  ASSERT_EQ(before.records.size(), 6u);

  // Requests: system info, user, the list's pages (two databases each),
  // then each program: open, two resources, close.
  const std::map<std::string, std::string> faults = {
      {"--fail 16:1:3", "database list could not be read: error 3"},
      {"--fail 16:3:3", "database list could not be read: error 3"},
      {"--drop-at 16:2", "database list could not be read: ReadDBList: the handheld hung up; the catalogue was left"},
      {"--drop-at 23:1", "programs could not be read: ReadResource: the handheld hung up; the catalogue was left"},
      {"--fail 17:2:10", "its catalogue record is kept as it was"},
      {"--fail 23:3:1", "its catalogue record is kept as it was"},
  };
  for (const auto& [fault, said] : faults) {
    ForgetTheHandheld();
    const ListenRun run = Sync(fault, "--timeout 5", "after", "first");
    EXPECT_EQ(run.listen, 1) << fault << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(said)) << fault << "\n" << run.output;
    EXPECT_THAT(run.output, Not(HasSubstr("\" complete"))) << fault;
    EXPECT_THAT(run.output, Not(HasSubstr("removed"))) << fault;
    if (run.info.count("endStatus")) {
      EXPECT_NE(run.info.at("endStatus"), "0") << fault;
    }
    const auto after = test::ReadDatabase(Path("after") + "/OQProgDB.pdb");
    EXPECT_EQ(Records(after), Records(before)) << fault;
  }
}

TEST_F(NetworkHotSyncTest, AQueuedProgramIsInstalledAndLeavesTheQueue) {
  standin::DesktopDirectory desktop;
  desktop.AddUser("Me");
  const auto program = test::MakeRecordDatabase("Queued Notes", "DATA", "QnOt", {{1, 2, 3}, {4, 5}});
  test::WriteDatabase(Path("Queued Notes.pdb"), program);
  ASSERT_EQ(desktop.QueueFile("Me", Path("Queued Notes.pdb")), standin::DesktopDirectory::QueueResult::kQueued);

  const ListenRun run = Sync("");
  ASSERT_EQ(run.listen, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("installed Queued Notes.pdb on the handheld"));
  const auto installed = test::ReadDatabase(Path("saved") + "/Queued Notes.pdb");
  EXPECT_EQ(Records(installed), Records(program));
  EXPECT_TRUE(desktop.QueuedFiles("Me").empty());
}

TEST_F(NetworkHotSyncTest, DeviceErrorsRunTheConduitsFailurePaths) {
  // The catalogue's refresh writes six records first; the seventh write is
  // the conduit's first.
  const ListenRun write = Sync("--fail 21:7:16");
  ForgetTheHandheld();
  EXPECT_EQ(write.listen, 1) << write.output;
  EXPECT_THAT(write.output, HasSubstr("Failed to write data into App DB."));
  EXPECT_EQ(write.info.at("endStatus"), "3");

  // The conduit's open of the catalogue (the cataloguer opened the six
  // programs before it) answered "not found".
  const ListenRun open = Sync("--fail 17:7:5");
  EXPECT_NE(open.listen, 0) << open.output;
  EXPECT_THAT(open.output, Not(HasSubstr("complete")));
  EXPECT_EQ(open.info.at("ended"), "yes");
}

TEST_F(NetworkHotSyncTest, AHandheldThatFailsAtAnyStageEndsTheSyncWithAClearLine) {
  // System info, user, database list, a program's resources, the
  // catalogue's records read and written, the log, the user info, EndOfSync.
  for (const char* dropAt : {"12:1", "10:1", "16:2", "23:3", "20:4", "21:2", "2a:1", "11:1", "2f:1"}) {
    ForgetTheHandheld();
    const ListenRun run = Sync(std::string("--drop-at ") + dropAt);
    EXPECT_EQ(run.listen, 1) << "dropped at " << dropAt << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr("the handheld hung up")) << dropAt;
    EXPECT_THAT(run.output, Not(HasSubstr("complete"))) << dropAt;
  }
  const std::map<std::string, std::string> misbehaviours = {
      {"--garbage-after 20", "malformed"},
      {"--oversize-after 20", "longer than any the protocol has"},
      {"--wrong-answer-after 20", "the handheld answered"},
  };
  for (const auto& [option, said] : misbehaviours) {
    const ListenRun run = Sync(option);
    EXPECT_EQ(run.listen, 1) << option << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr(said)) << option;
  }
  const ListenRun silent = Sync("--delay-ms 2500", "--timeout 1");
  EXPECT_EQ(silent.listen, 1) << silent.output;
  EXPECT_THAT(silent.output, HasSubstr("the handheld stopped answering"));
  // The desktop's files stay whole: the user is known, nothing is queued.
  EXPECT_TRUE(standin::DesktopDirectory().UnreadableFiles("Me").empty());
}

TEST_F(NetworkHotSyncTest, ServesOneHandheldAfterAnotherUntilStopped) {
  const std::string script = ListenInBackground() + "timeout 60 " OQ_SIMULATED_HANDHELD_PATH
                                                    " --port $P --databases backup --save first --user Me; echo $?; "
                                                    "timeout 60 " OQ_SIMULATED_HANDHELD_PATH
                                                    " --port $P --databases backup --save second --user You; echo $?; "
                                                    "kill -TERM $L; wait $L; echo $?";
  const auto outcome = test::RunCommand(script);
  EXPECT_EQ(outcome.standardOutput, "0\n0\n0\n") << outcome.output << test::ReadText(work_.path() / "listen.err");
  EXPECT_THAT(test::ReadText(work_.path() / "listen.err"), HasSubstr("oq-hotsync: stopped"));
  EXPECT_TRUE(fs::exists(work_.path() / "second" / "OQProgDB.pdb"));
}

TEST_F(NetworkHotSyncTest, AStopInTheMiddleTellsTheHandheldTheSyncDidNotComplete) {
  const std::string script = ListenInBackground() +
                             "timeout 60 " OQ_SIMULATED_HANDHELD_PATH
                             " --port $P --databases backup --save saved --user Me "
                             "--delay-ms 40 & H=$!; "
                             "for i in $(seq 400); do grep -q 'HotSync with' listen.err && break; sleep 0.025; done; "
                             "kill -TERM $L; wait $L; echo $?; wait $H";
  const auto outcome = test::RunCommand(script);
  const std::string err = test::ReadText(work_.path() / "listen.err");
  EXPECT_EQ(outcome.standardOutput, "1\n") << err;
  EXPECT_THAT(err, HasSubstr("stopped; the HotSync did not complete"));
  EXPECT_THAT(err, Not(HasSubstr("\" complete")));
  EXPECT_THAT(test::ReadText(work_.path() / "saved" / "handheld.txt"), HasSubstr("endStatus=3"));
}

TEST_F(NetworkHotSyncTest, AStopReachesAWaitForAnAnswerThatDoesNotCome) {
  // Each answer comes after 60 s, well inside the time-out: only the stop
  // can end the wait, and the listener must not sit it out.
  const std::string script =
      ListenInBackground("--timeout 90") +
      "timeout 100 " OQ_SIMULATED_HANDHELD_PATH
      " --port $P --databases backup --save saved --user Me "
      "--delay-ms 60000 & H=$!; sleep 1; kill -TERM $L; "
      "for i in $(seq 300); do kill -0 $L 2>/dev/null || break; sleep 0.1; done; kill -KILL $L 2>/dev/null; "
      "wait $L; echo $?; kill $H; wait $H";
  const auto outcome = test::RunCommand(script);
  const std::string err = test::ReadText(work_.path() / "listen.err");
  EXPECT_EQ(outcome.standardOutput, "1\n") << "the listener sat the answer out\n" << err;
  EXPECT_THAT(err, HasSubstr("the desktop was told to stop (no answer came within 3 s of it)"));
  EXPECT_THAT(err, HasSubstr("oq-hotsync: stopped"));
}

}  // namespace
}  // namespace oq
