// oq-hotsync as a user runs it: a child process, its output and exit status.
#include <gtest/gtest.h>

#include "child_process.h"
#include "desktop_directory.h"
#include "handheld_files.h"
#include "test_environment.h"

namespace oq {
namespace {

test::Outcome RunHotSync(const std::string& arguments) {
  return test::RunCommand(std::string(OQ_HOTSYNC_PATH) + " " + arguments);
}

class HotSyncCliTest : public ::testing::Test {
 protected:
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
  std::filesystem::create_directories(handheld);
  ASSERT_EQ(RunHotSync("sync --action 6 --handheld '" + handheld.string() + "/'").status, 3);
  EXPECT_EQ(posix::DesktopDirectory().Users(), std::vector<std::string>{"Quail Palm"});
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

}  // namespace
}  // namespace oq
