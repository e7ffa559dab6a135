// oq-hotsync where the disk or the folders misbehave: nothing is reported
// as done that was not kept, no folder is opened to others, and a file that
// cannot be examined is named instead of crashing the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "child_process.h"
#include "handheld_files.h"
#include "program_records.h"
#include "test_environment.h"

namespace oq {
namespace {

using ::testing::HasSubstr;

class DataSafetyTest : public ::testing::Test {
 protected:
  std::string Handheld() const { return (work_.path() / "handheld").string(); }
  test::Outcome Hotsync(const std::string& prefix, const std::string& arguments) const {
    return test::RunHotSync(arguments, prefix);
  }
  test::ScopedHome home_;
  test::TempDir work_;
};

TEST_F(DataSafetyTest, ASaveThatFailsIsReportedAndTheNextHotSyncTracksAgain) {
  // A catalogue of 300 programs (110 KB) on a disk that takes files of at
  // most 64 KB: the answers cannot be saved; the settings still can.
  std::vector<std::vector<uint8_t>> records;
  std::string catalog = "creator\tversion\tdate\tmsg\n";
  for (int i = 0; i < 300; ++i) {
    const std::string creator = "P" + std::to_string(100 + i);
    records.push_back(test::MakeProgramRecord({.creator = creator, .name = "Program " + creator}, 368));
    catalog += creator + "\t9.0\t2026/01/01\tNewer\n";
  }
  std::filesystem::create_directories(Handheld());
  test::WriteDatabase(work_.path() / "handheld" / "OQProgDB.pdb",
                      test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
  test::WriteSavedPreferences(work_.path() / "handheld", test::MakeTrackerPreference(0));
  test::WriteText(work_.path() / "catalog.tsv", catalog);
  test::WriteText(home_.SettingsPath(), "[Track]\nPeriod=1\nLastTrackTime=12345\n");
  const auto before = test::ReadBytes(work_.path() / "handheld" / "OQProgDB.pdb");
  test::TrackerProcess tracker({"--catalog", (work_.path() / "catalog.tsv").string()});
  ASSERT_TRUE(tracker.running());

  const auto full = Hotsync("trap '' XFSZ; ulimit -f 64; http_proxy=" + tracker.Url(), "sync --handheld " + Handheld());
  EXPECT_EQ(full.status, 1) << full.output;
  EXPECT_THAT(full.output, HasSubstr("the handheld's changes were not saved: cannot write"));
  EXPECT_THAT(full.output, HasSubstr("OQProgDB.pdb"));
  EXPECT_EQ(test::ReadBytes(work_.path() / "handheld" / "OQProgDB.pdb"), before) << "the old file, whole";
  EXPECT_THAT(test::ReadText(home_.SettingsPath()), HasSubstr("LastTrackTime=12345\n")) << "not taken as tracked";

  const auto retried = Hotsync("http_proxy=" + tracker.Url(), "sync --handheld " + Handheld());
  EXPECT_EQ(retried.status, 0) << retried.output;
  EXPECT_THAT(retried.output, HasSubstr("300 programs tracked, 300 with a newer version"));
}

TEST_F(DataSafetyTest, FoldersMadeForTheDesktopAreTheOwnersWhateverTheUmask) {
  std::filesystem::remove_all(home_.path());
  test::WriteMemoDatabase(Handheld());
  ASSERT_EQ(Hotsync("umask 000;", "sync --action 6 --handheld " + Handheld()).status, 3);
  for (const auto& folder : {home_.path(), home_.path() / "palm", home_.path() / "palm" / "users",
                             home_.path() / "palm" / "users" / "handheld"}) {
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0) << folder;
    EXPECT_EQ(info.st_mode & 077, 0u) << folder;
  }
}

TEST_F(DataSafetyTest, AFileThatCannotBeExaminedIsNamed) {
  std::filesystem::create_directories(Handheld());
  std::filesystem::create_symlink("Loop.pdb", work_.path() / "handheld" / "Loop.pdb");
  for (const char* command : {"sync --handheld ", "show --handheld ", "catalog --handheld "}) {
    const auto outcome = Hotsync("", command + Handheld());
    EXPECT_EQ(outcome.status, 2) << command << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("cannot use " + Handheld() + "/Loop.pdb: Too many levels of symbolic links"))
        << command;
  }

  std::filesystem::remove(work_.path() / "handheld" / "Loop.pdb");
  test::WriteMemoDatabase(Handheld());
  const auto queue = home_.path() / "palm" / "users" / "handheld" / "Install";
  std::filesystem::create_directories(queue);
  std::filesystem::create_symlink("Queued.prc", queue / "Queued.prc");
  const auto queued = Hotsync("", "sync --handheld " + Handheld());
  EXPECT_EQ(queued.status, 2) << queued.output;
  EXPECT_THAT(queued.output, HasSubstr("cannot install " + (queue / "Queued.prc").string()));
}

TEST_F(DataSafetyTest, AFileThatCannotBeReadIsNeverTakenForAnEmptyOne) {
  // As an ordinary user, since root reads every file: the programs, the
  // home and the handheld belong to "nobody", and two files it cannot read.
  const auto bin = work_.path() / "bin";
  std::filesystem::create_directories(bin);
  for (const char* built : {OQ_HOTSYNC_PATH, OQ_CONDUIT_PATH}) {
    std::filesystem::copy_file(built, bin / std::filesystem::path(built).filename());
  }
  std::filesystem::copy_file(std::filesystem::path(OQ_HOTSYNC_PATH).parent_path() / "liboqsyncmgr.so",
                             bin / "liboqsyncmgr.so");
  test::WriteMemoDatabase(Handheld());
  const std::string settings = "[Track]\nPeriod=0\n[AuthProxy]\nEnable=Yes\nUserName=me\nPassword=secret\n";
  const std::string users = "[Users]\nCount=1\nUser1=handheld\n";
  test::WriteText(home_.SettingsPath(), settings);
  test::WriteText(home_.path() / "palm" / "users.ini", users);
  std::filesystem::permissions(home_.SettingsPath(), std::filesystem::perms::none);
  std::filesystem::permissions(home_.path() / "palm" / "users.ini", std::filesystem::perms::none);
  std::filesystem::permissions(work_.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
  ASSERT_EQ(test::RunCommand("chown -R nobody '" + home_.path().string() + "' '" + Handheld() + "' && chmod 755 '" +
                             bin.string() + "'")
                .status,
            0);

  const auto outcome =
      test::RunCommand("setpriv --reuid=nobody --regid=nogroup --clear-groups " + (bin / "oq-hotsync").string() +
                       " sync --conduit " + (bin / "OrbitQuail.so").string() + " --handheld " + Handheld());
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("cannot read " + home_.SettingsPath().string() + ": Permission denied"));
  EXPECT_THAT(outcome.output, HasSubstr("cannot read " + (home_.path() / "palm" / "users.ini").string()));
  EXPECT_EQ(test::ReadText(home_.SettingsPath()), settings) << "the proxy password is still there";
  EXPECT_EQ(test::ReadText(home_.path() / "palm" / "users.ini"), users);
}

}  // namespace
}  // namespace oq
