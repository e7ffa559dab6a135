// oq-hotsync as a user runs it: a child process, its output and exit status.
#include <gtest/gtest.h>

#include "child_process.h"
#include "desktop_directory.h"
#include "handheld_files.h"
#include "scripted_http_server.h"
#include "test_environment.h"

namespace oq {
namespace {

using test::RunHotSync;

class HotSyncCliTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteMemoDatabase(image_.path()); }
  test::ScopedHome home_;
  test::TempDir image_;
};

TEST_F(HotSyncCliTest, SyncWithoutCatalogueSaysSoAndTracksNothing) {
  auto outcome = RunHotSync("sync --no-catalog --handheld " + image_.path().string());
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.standardOutput,
            "---    OrbitQuail: Can't find database, OQProgDB. Please run OrbitQuail palm program first.\n"
            "OrbitQuail: Can't find database, OQProgDB. Please run OrbitQuail palm program first.\n");
}

TEST_F(HotSyncCliTest, UserDefaultsToTheHandheldFolderName) {
  const auto handheld = image_.path() / "Quail Palm";
  test::WriteMemoDatabase(handheld);
  ASSERT_EQ(RunHotSync("sync --action 6 --handheld '" + handheld.string() + "/'").status, 3);
  EXPECT_EQ(standin::DesktopDirectory().Users(), std::vector<std::string>{"Quail Palm"});
}

TEST_F(HotSyncCliTest, DoNothingAction) {
  auto outcome = RunHotSync("sync --action 6 --handheld " + image_.path().string());
  EXPECT_EQ(outcome.status, 3) << "nothing was tracked";
  EXPECT_EQ(outcome.standardOutput, "OrbitQuail - sync configured to Do Nothing\n");
}

TEST_F(HotSyncCliTest, ConduitsListsNameVersionAndProperties) {
  auto outcome = RunHotSync("conduits");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.output.find("OrbitQuail\n"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("version:        0x10200"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("MFC version:    0x600"), std::string::npos) << outcome.output;
  EXPECT_NE(outcome.output.find("default action: 0x0"), std::string::npos) << outcome.output;
}

TEST_F(HotSyncCliTest, UsageErrorsExitTwo) {
  EXPECT_EQ(RunHotSync("sync --handheld /nonexistent/handheld").status, 2);
  EXPECT_EQ(RunHotSync("sync").status, 2);
  EXPECT_EQ(RunHotSync("frobnicate").status, 2);
  EXPECT_EQ(RunHotSync("").status, 2);
  auto outcome = RunHotSync("sync --conduit /nonexistent/OrbitQuail.so --handheld " + image_.path().string());
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.output.find("cannot load the conduit"), std::string::npos) << outcome.output;
}

// ---- errors that say what to do next

TEST_F(HotSyncCliTest, A404AsksWhetherTheServerIsATracker) {
  ASSERT_EQ(RunHotSync("sample --handheld " + image_.path().string()).status, 0);
  test::ScriptedHttpServer server([](const auto&) {
    test::ScriptedHttpServer::Response response;
    response.status = 404;
    return response;
  });
  const auto outcome = RunHotSync("sync --handheld " + image_.path().string(), "http_proxy=" + server.Url(""));
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.output.find("oq-hotsync: the server answered 404: is this a tracking server?"), std::string::npos)
      << outcome.output;
}

TEST_F(HotSyncCliTest, AQueryThatWaitsLongSaysHowLongItMayStillTake) {
  ASSERT_EQ(RunHotSync("sample --handheld " + image_.path().string()).status, 0);
  test::ScriptedHttpServer silent([](const auto&) {
    test::ScriptedHttpServer::Response response;
    response.behaviour = test::ScriptedHttpServer::Behaviour::kNeverAnswer;
    return response;
  });
  const auto outcome =
      RunHotSync("sync --handheld " + image_.path().string(), "ORBITQUAIL_HTTP_TIMEOUT=4 http_proxy=" + silent.Url(""));
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.output.find(" (giving up in at most 5 s)\n"), std::string::npos) << outcome.output;
}

TEST_F(HotSyncCliTest, EnvironmentThatIsNotReadIsWarnedAbout) {
  const auto outcome = RunHotSync("sync --action 6 --handheld " + image_.path().string(),
                                  "HTTP_PROXY=http://127.0.0.1:9 http_proxy= ORBITQUAIL_HTTP_TIMEOUT=abc");
  EXPECT_NE(outcome.output.find("warning: HTTP_PROXY is set, but only the lower-case http_proxy is read"),
            std::string::npos)
      << outcome.output;
  EXPECT_NE(outcome.output.find("warning: ORBITQUAIL_HTTP_TIMEOUT=abc is not a number of seconds"), std::string::npos);
}

// ---- typos that would add or lose data

TEST_F(HotSyncCliTest, AUserNameInOtherLetterCaseNeedsNewUser) {
  ASSERT_EQ(RunHotSync("sync --action 6 --user Me --handheld " + image_.path().string()).status, 3);
  auto outcome = RunHotSync("sync --action 6 --user me --handheld " + image_.path().string());
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.output.find("there is no HotSync user \"me\", but there is \"Me\""), std::string::npos)
      << outcome.output;
  EXPECT_EQ(standin::DesktopDirectory().Users(), std::vector<std::string>{"Me"});
  EXPECT_EQ(RunHotSync("sync --action 6 --new-user --user me --handheld " + image_.path().string()).status, 3);
  EXPECT_EQ(standin::DesktopDirectory().Users().size(), 2u);
}

TEST_F(HotSyncCliTest, ConfigureRefusesAnUnknownUser) {
  ASSERT_EQ(RunHotSync("sync --action 6 --user Me --handheld " + image_.path().string()).status, 3);
  auto outcome = RunHotSync("configure --user Nobody --script ok");
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.output.find("there is no HotSync user \"Nobody\"; the users are: \"Me\""), std::string::npos)
      << outcome.output;
  outcome = RunHotSync("configure --user me --script ok");
  EXPECT_NE(outcome.output.find("did you mean \"Me\"?"), std::string::npos) << outcome.output;
}

TEST_F(HotSyncCliTest, SampleNeverReplacesACatalogueUnlessForced) {
  ASSERT_EQ(RunHotSync("sample --handheld " + image_.path().string()).status, 0);
  const auto catalogue = test::ReadText(image_.path() / "OQProgDB.pdb");
  auto outcome = RunHotSync("sample --handheld " + image_.path().string());
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.output.find("already holds a catalogue (OQProgDB.pdb)"), std::string::npos) << outcome.output;
  EXPECT_EQ(test::ReadText(image_.path() / "OQProgDB.pdb"), catalogue);
  EXPECT_EQ(RunHotSync("sample --force --handheld " + image_.path().string()).status, 0);
}

// ---- the configuration dialog driven without a person

TEST_F(HotSyncCliTest, ConfigureScriptsRepeatSafelyStopAtTheFirstErrorAndComeFromStandardInput) {
  ASSERT_EQ(RunHotSync("sync --action 6 --user Me --handheld " + image_.path().string()).status, 3);
  for (int i = 0; i < 2; ++i) {
    const auto outcome = RunHotSync("configure --user Me --script 'check 1012; choose 407; ok'");
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(outcome.standardOutput, "Me: next HotSync: Do nothing; tracking every time; proxy authentication off\n")
        << "run " << i + 1 << ": check does not toggle";
  }
  const auto settings = test::ReadText(home_.SettingsPath());
  const auto stopped = RunHotSync("configure --user Me --script 'uncheck 1012; click 9999; ok'");
  EXPECT_EQ(stopped.status, 2);
  EXPECT_NE(stopped.output.find("dialog script: no control 9999; the dialog is closed as with Cancel"),
            std::string::npos)
      << stopped.output;
  EXPECT_EQ(test::ReadText(home_.SettingsPath()), settings) << "OK was never pressed";

  const auto piped = test::RunCommand("printf 'uncheck 1012\\nset 1013 3\\ncheck 411\\nchoose 404\\nok\\n' | " +
                                      std::string(OQ_HOTSYNC_PATH) + " configure --user Me");
  EXPECT_EQ(piped.status, 0) << piped.output;
  EXPECT_EQ(piped.standardOutput,
            "Me: every HotSync: Synchronize the files; tracking every 3 days; proxy authentication off\n");
}

}  // namespace
}  // namespace oq
