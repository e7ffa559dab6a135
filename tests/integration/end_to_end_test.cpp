// The product loop as a user meets it: oq-tracker on loopback, a sample
// handheld, oq-hotsync sync through http_proxy, then oq-hotsync show.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "desktop_directory.h"
#include "test_environment.h"

namespace oq {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tracker_.running()) << tracker_.Output();
    ASSERT_EQ(Hotsync("sample --handheld " + Handheld()).status, 0);
  }
  std::string Handheld() const { return (work_.path() / "handheld").string(); }
  test::Outcome Hotsync(const std::string& arguments) const {
    return test::RunHotSync(arguments, "http_proxy=" + tracker_.Url());
  }

  test::ScopedHome home_;
  test::TempDir work_;
  test::TrackerProcess tracker_{
      {"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv", "--message", "Greetings from the test tracker"}};
};

TEST_F(EndToEndTest, SyncTracksThenThePeriodGateWaits) {
  const auto first = Hotsync("sync --handheld " + Handheld());
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_THAT(first.output, HasSubstr("--- OrbitQuail start ---\n"));
  EXPECT_THAT(first.output, HasSubstr("--- OK - OrbitQuail ---\n"));
  EXPECT_THAT(first.output, HasSubstr("OK OrbitQuail\n"));
  EXPECT_THAT(first.output, HasSubstr("To be tracked: 4"));
  EXPECT_THAT(test::ReadText(home_.SettingsPath()), ::testing::MatchesRegex("\\[Track\\]\nLastTrackTime=[0-9]+\n"));

  // One TCP connection served the whole pass: every request came from one port.
  tracker_.WaitForOutput("creator=MthL");  // the last program's query
  EXPECT_EQ(tracker_.ConnectionsSeen(), 1u) << tracker_.Output();

  const auto second = Hotsync("sync --handheld " + Handheld());
  EXPECT_EQ(second.status, 3) << "the period gate: nothing tracked";
  EXPECT_EQ(second.standardOutput, "OrbitQuail - Do nothing because it just tracked 0.00 hours ago.\n");

  const auto shown = Hotsync("show --json --handheld " + Handheld());
  ASSERT_EQ(shown.status, 0) << shown.output;
  EXPECT_THAT(shown.output, HasSubstr("\"serverMessage\": \"Greetings from the test tracker\""));
  EXPECT_THAT(shown.output, HasSubstr("\"name\": \"Quail Notes\", \"installedVersion\": \"1.0\", "
                                      "\"latestVersion\": \"1.2\", \"releaseDate\": \"2026-10-02\", \"newer\": true"));
  EXPECT_THAT(shown.output, HasSubstr("\"name\": \"MathLib\", \"installedVersion\": \"1.1\", "
                                      "\"latestVersion\": \"1.1\", \"releaseDate\": \"2024-03-10\", \"newer\": false"));
  EXPECT_THAT(shown.output, HasSubstr("\"name\": \"Pocket Ledger\", \"installedVersion\": \"3.1\", "
                                      "\"latestVersion\": \"\", \"releaseDate\": null"))
      << "an excluded program is not asked about";
  EXPECT_THAT(shown.output, HasSubstr("\"message\": \"No version information for Word Hunt.\""));

  const auto table = Hotsync("show --handheld " + Handheld());
  EXPECT_EQ(table.status, 0);
  EXPECT_THAT(table.output, HasSubstr("Server message: Greetings from the test tracker"));
  EXPECT_THAT(table.output, HasSubstr("6 programs, 2 with a newer version"));
}

TEST_F(EndToEndTest, ForceTracksPastThePeriodAndLeavesTheChosenActionsAlone) {
  ASSERT_EQ(Hotsync("sync --handheld " + Handheld()).status, 0);
  const auto gated = Hotsync("sync --handheld " + Handheld());
  EXPECT_EQ(gated.status, 3);
  EXPECT_THAT(gated.output,
              HasSubstr("the tracking period stopped this HotSync; `oq-hotsync sync --force` tracks now"));

  using Desktop = standin::DesktopDirectory;
  ASSERT_TRUE(Desktop().SetAction("handheld", "rkOQ", Desktop::kTemporary, 6));
  const std::string settingsBefore = test::ReadText(home_.SettingsPath());
  const auto forced = Hotsync("sync --force --handheld " + Handheld());
  EXPECT_EQ(forced.status, 0) << forced.output;
  EXPECT_THAT(forced.output, HasSubstr("--- OK - OrbitQuail ---"));
  EXPECT_EQ(Desktop().Action("handheld", "rkOQ", Desktop::kTemporary), 6) << "the next HotSync's action is kept";
  EXPECT_THAT(test::ReadText(home_.SettingsPath()), ::testing::MatchesRegex("\\[Track\\]\nLastTrackTime=[0-9]+\n"))
      << "only the tracking time moved; before: " << settingsBefore;
}

TEST_F(EndToEndTest, TrackerTooNewForTheConduitSaysSoAndTheSyncStillSucceeds) {
  test::TrackerProcess strict({"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv", "--min-client", "2.0"});
  ASSERT_TRUE(strict.running());
  const auto outcome = test::RunHotSync("sync --handheld " + Handheld(), "http_proxy=" + strict.Url());
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("---    OrbitQuail conduit version is too old.\n"));
  const auto shown = Hotsync("show --handheld " + Handheld());
  EXPECT_THAT(shown.output, HasSubstr("Server message: OrbitQuail 2.0 or later is needed."));
}

TEST_F(EndToEndTest, DamagedCatalogueIsAClearErrorForShow) {
  const auto catalogue = work_.path() / "handheld" / "OQProgDB.pdb";
  std::string bytes = test::ReadText(catalogue);
  bytes.resize(90);
  test::WriteText(catalogue, bytes);
  const auto shown = Hotsync("show --handheld " + Handheld());
  EXPECT_EQ(shown.status, 2);
  EXPECT_THAT(shown.output, HasSubstr("the catalogue is damaged"));

  const auto synced = Hotsync("sync --handheld " + Handheld());
  EXPECT_EQ(synced.status, 3) << "an unreadable catalogue is a missing one to the conduit";
  EXPECT_THAT(synced.output, HasSubstr("Can't find database, OQProgDB."));
  EXPECT_THAT(synced.output, HasSubstr("the catalogue is damaged"));
  EXPECT_EQ(test::ReadText(catalogue), bytes) << "never overwritten";
}

TEST_F(EndToEndTest, FailedPassExitsOneWithTheResult) {
  const auto outcome =
      test::RunHotSync("sync --handheld " + Handheld(), "ORBITQUAIL_HTTP_TIMEOUT=5 http_proxy=http://127.0.0.1:1");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_THAT(outcome.output, HasSubstr("--- Error - OrbitQuail ---\n"));
  EXPECT_THAT(outcome.output, HasSubstr("oq-hotsync: the conduit reported a failure (-1)\n"));
  EXPECT_THAT(outcome.output, HasSubstr("oq-hotsync: the tracker at http_proxy=http://127.0.0.1:1 could not be "
                                        "reached; to ask another, point http_proxy at it"));
  EXPECT_THAT(outcome.output, Not(HasSubstr("OK OrbitQuail")));
}

}  // namespace
}  // namespace oq
