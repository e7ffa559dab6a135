// The desktop's users and what it keeps of their HotSyncs: the users
// listed, renamed and removed with their folders and queues, a folder
// synced as the user it was synced as before, and what a network HotSync
// leaves to look at (its summary, `show --user`, the log).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_directory.h"
#include "handheld_files.h"
#include "listen_fixture.h"

namespace oq {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using DesktopUsersTest = test::ListenFixture;

TEST_F(DesktopUsersTest, UsersAreRenamedAndRemovedWithTheirFoldersAllOrNothing) {
  const auto handheld = work_.path() / "Quail Palm";
  test::WriteMemoDatabase(handheld);
  ASSERT_NE(test::RunHotSync("sync --action 6 --handheld '" + handheld.string() + "' --user Me").status, 1);
  standin::DesktopDirectory desktop;
  // Without --user, the folder syncs as the user it synced as before.
  const auto again = test::RunHotSync("sync --action 6 --handheld '" + handheld.string() + "'");
  EXPECT_THAT(again.output, Not(HasSubstr("added the HotSync user")));
  EXPECT_THAT(desktop.Users(), ElementsAre("Me"));

  const auto file = work_.path() / "Queued.pdb";
  test::WriteDatabase(file, test::MakeRecordDatabase("Queued", "DATA", "QuEd", {{1}}));
  ASSERT_EQ(desktop.QueueFile("Me", file), standin::DesktopDirectory::QueueResult::kQueued);
  const auto listed = test::RunHotSync("users");
  EXPECT_EQ(listed.status, 0);
  EXPECT_THAT(listed.output, MatchesRegex("(.|\n)*Me +1 +[^\n]*Quail Palm\n(.|\n)*"));

  EXPECT_EQ(test::RunHotSync("users rename Me 'Eve Lin'").status, 0);
  EXPECT_THAT(desktop.Users(), ElementsAre("Eve Lin"));
  EXPECT_EQ(desktop.QueuedFiles("Eve Lin").size(), 1u) << "the queue moves with the user";
  EXPECT_FALSE(fs::exists(desktop.UserFile("Me", "")));

  const auto refused = test::RunHotSync("users remove 'Eve Lin'");
  EXPECT_EQ(refused.status, 2) << refused.output;
  EXPECT_THAT(refused.output, HasSubstr("has files waiting to be installed"));
  EXPECT_THAT(desktop.Users(), ElementsAre("Eve Lin"));
  EXPECT_EQ(test::RunHotSync("users rename Nobody Someone").status, 2);
  EXPECT_EQ(test::RunHotSync("users rename 'Eve Lin' \"$(printf 'a\\nb')\"").status, 2);

  fs::remove(desktop.QueuedFiles("Eve Lin").front());
  EXPECT_EQ(test::RunHotSync("users remove 'Eve Lin'").status, 0);
  EXPECT_TRUE(desktop.Users().empty());
  EXPECT_FALSE(fs::exists(desktop.UserFile("Eve Lin", "")));
}

TEST_F(DesktopUsersTest, ANetworkHotSyncLeavesItsSummaryACopyToShowAndALogLine) {
  const auto first = Sync("");
  ASSERT_EQ(first.listen, 0) << first.output;
  EXPECT_THAT(first.output, MatchesRegex("(.|\n)*oq-hotsync: 20[0-9-]+ [0-9:]+ \"Me\" from 127\\.0\\.0\\.1: 6 programs "
                                         "tracked, 4 with a newer version; `oq-hotsync show --outdated --user \"Me\"` "
                                         "lists them\n(.|\n)*"));
  const auto shown = test::RunHotSync("show --outdated --user Me");
  EXPECT_EQ(shown.status, 4) << shown.output;
  EXPECT_THAT(shown.output, HasSubstr("Star Chart"));
  EXPECT_THAT(shown.output, HasSubstr("Server message: Greetings from the test tracker"));

  EXPECT_EQ(Sync("--drop-after 5").listen, 1);
  const auto log = test::RunHotSync("log --user Me");
  EXPECT_EQ(log.status, 0);
  EXPECT_THAT(log.output, MatchesRegex("WHEN +USER +TRACKED +OUTDATED +RESULT +HANDHELD\n"
                                       "[0-9 :-]+ Me +6 +4 +tracked +network HotSync from 127\\.0\\.0\\.1\n"
                                       "[0-9 :-]+ Me +- +- +failed +network HotSync from 127\\.0\\.0\\.1\n"));
  EXPECT_THAT(test::RunHotSync("log --user Nobody").output, HasSubstr("No HotSync of that user yet."));
}

}  // namespace
}  // namespace oq
