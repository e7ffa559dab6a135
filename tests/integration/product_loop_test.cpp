// The whole product loop on Linux, through the programs a user runs: sync
// once, install, sync again, configure, sync.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "desktop_directory.h"
#include "handheld_files.h"
#include "test_environment.h"

namespace oq {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ProductLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tracker_.running()) << tracker_.Output();
    ASSERT_EQ(Hotsync("sample --handheld " + Handheld() + " --program " + (product_.path() / "OrbitQuail.prc").string())
                  .status,
              0);
    std::filesystem::copy_file(OQ_CONDUIT_PATH, product_.path() / "OrbitQuail.so");
  }
  std::string Handheld() const { return (work_.path() / "handheld").string(); }
  test::Outcome Hotsync(const std::string& arguments) const {
    return test::RunHotSync(arguments, "http_proxy=" + tracker_.Url());
  }
  test::Outcome Sync() const { return Hotsync("sync --user Quail --handheld " + Handheld()); }

  test::ScopedHome home_;
  test::TempDir work_;
  test::TempDir product_;
  test::TrackerProcess tracker_{{"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv"}};
};

TEST_F(ProductLoopTest, SyncInstallSyncConfigureSync) {
  // The first HotSync makes the user known.
  auto outcome = Sync();
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("added the HotSync user \"Quail\""));
  standin::DesktopDirectory desktop;
  EXPECT_THAT(desktop.Users(), ::testing::ElementsAre("Quail"));

  // The installer, run in the product folder.
  outcome = test::RunCommand("cd " + product_.path().string() + " && " + OQ_INSTALLER_PATH + " --user Quail --install");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("[Install Complete] The installation is complete."));

  // The next HotSync installs the program and finds the conduit through the registry.
  const auto conduits = Hotsync("conduits");
  EXPECT_THAT(conduits.output, HasSubstr((desktop.root() / "OrbitQuail.so").string()));
  test::WriteText(home_.SettingsPath(), "[Track]\nPeriod=-1\n");  // track at every HotSync
  outcome = Sync();
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("installed OrbitQuail.prc on the handheld"));
  EXPECT_EQ(test::ReadDatabase(work_.path() / "handheld" / "OrbitQuail.prc").Name(), "OrbitQuail");
  EXPECT_TRUE(desktop.QueuedFiles("Quail").empty());
  EXPECT_THAT(outcome.output, HasSubstr("--- OK - OrbitQuail ---"));

  // "Do nothing" for the next HotSync only.
  outcome = Hotsync("configure --user Quail --script 'click 407; ok'");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("Quail's Current Settings:"));
  outcome = Sync();
  EXPECT_EQ(outcome.status, 3) << "nothing tracked";
  EXPECT_THAT(outcome.output, HasSubstr("OrbitQuail - sync configured to Do Nothing"));
  outcome = Sync();
  EXPECT_EQ(outcome.status, 0);
  EXPECT_THAT(outcome.output, Not(HasSubstr("Do Nothing")));
  EXPECT_THAT(outcome.output, HasSubstr("--- OK - OrbitQuail ---"));
}

TEST_F(ProductLoopTest, DefaultActionStaysUntilChanged) {
  ASSERT_EQ(Sync().status, 0);
  ASSERT_EQ(Hotsync("configure --legacy --script 'click 407; click 411; ok'").status, 0);
  test::WriteText(home_.SettingsPath(), "[Track]\nPeriod=-1\n");
  for (int i = 0; i < 2; ++i) EXPECT_THAT(Sync().output, HasSubstr("configured to Do Nothing"));
  ASSERT_EQ(Hotsync("configure --script 'click 404; click 411; ok'").status, 0);
  EXPECT_THAT(Sync().output, HasSubstr("--- OK - OrbitQuail ---"));
}

TEST_F(ProductLoopTest, ConfigureWithoutUsersSaysWhatToDo) {
  const auto outcome = Hotsync("configure --script ok");
  EXPECT_EQ(outcome.status, 2);
  EXPECT_THAT(outcome.output, HasSubstr("run oq-hotsync sync first"));
}

}  // namespace
}  // namespace oq
