// oq-hotsync listen against peers that are not what they claim: names that
// would share a folder, a handheld claiming another's name, catalogues and
// lists without end, peers that connect and say nothing. Each attack ends
// at most its own HotSync; the desktop's files and other handhelds are
// left alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "desktop_directory.h"
#include "handheld_files.h"
#include "listen_fixture.h"

namespace oq {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ListenerHostilePeersTest = test::ListenFixture;

fs::path QueueProgram(standin::DesktopDirectory& desktop, const std::string& user, const fs::path& scratch) {
  const auto file = scratch / "Queued Notes.pdb";
  test::WriteDatabase(file, test::MakeRecordDatabase("Queued Notes", "DATA", "QnOt", {{1, 2, 3}}));
  EXPECT_EQ(desktop.QueueFile(user, file), standin::DesktopDirectory::QueueResult::kQueued);
  return file;
}

TEST_F(ListenerHostilePeersTest, EachNameAndEachHandheldHasAUserOfItsOwn) {
  standin::DesktopDirectory desktop;
  ASSERT_TRUE(desktop.AddUser("a_b"));
  QueueProgram(desktop, "a_b", work_.path());
  const auto slash = Sync("--user a/b");
  EXPECT_NE(slash.listen, 1) << slash.output;
  EXPECT_THAT(desktop.Users(), Contains("a/b"));
  EXPECT_EQ(desktop.QueuedFiles("a_b").size(), 1u) << "a_b's queue is a_b's";
  EXPECT_FALSE(fs::exists(Path("saved") + "/Queued Notes.pdb"));

  // Alice's handheld syncs; another claiming her name does not get her queue.
  ASSERT_NE(Sync("--user Alice --user-id 4242").listen, 1);
  QueueProgram(desktop, "Alice", work_.path());
  const auto claim = Sync("--user Alice --user-id 999999");
  EXPECT_EQ(claim.listen, 1) << claim.output;
  EXPECT_THAT(claim.output, HasSubstr("it is not the handheld that user synced before (its id is 999999, not 4242)"));
  EXPECT_EQ(desktop.QueuedFiles("Alice").size(), 1u);
  EXPECT_FALSE(fs::exists(Path("saved") + "/Queued Notes.pdb"));

  // A HotSync that does not complete adds no user.
  EXPECT_EQ(Sync("--user Ghost --drop-after 4").listen, 1);
  EXPECT_THAT(desktop.Users(), Not(Contains("Ghost")));
  EXPECT_FALSE(fs::exists(desktop.UserFile("Ghost", "")));
}

TEST_F(ListenerHostilePeersTest, AUserFolderNamedTheOldWayMovesToItsOwnName) {
  const fs::path palm = home_.path() / "palm";
  test::WriteText(palm / "users.ini", "[Users]\nCount=1\nUser1=x/y\n");
  test::WriteText(palm / "users" / "x_y" / "Install" / "Queued.pdb", "queued");
  standin::DesktopDirectory desktop;
  EXPECT_FALSE(desktop.AddUser("x/y")) << "known already";
  EXPECT_EQ(test::ReadText(palm / "users" / "x%2Fy" / "Install" / "Queued.pdb"), "queued");
  EXPECT_EQ(desktop.QueuedFiles("x/y").size(), 1u);
}

// A listen --once whose peak memory is sampled while it runs.
struct Measured {
  int listen = -1;
  long peakKiB = 0;
  std::string output;
};

TEST_F(ListenerHostilePeersTest, ACatalogueOrAListWithoutEndEndsOnlyThatHotSyncInBoundedMemory) {
  ASSERT_EQ(Sync("", "--timeout 5", "first").listen, 0);
  const auto measure = [&](const std::string& attack) {
    ForgetTheHandheld();  // so that the catalogue is read
    const std::string script =
        "cd " + work_.path().string() + "; rm -f rss listen.err; http_proxy=" + tracker_.Url() +
        " " OQ_HOTSYNC_PATH
        " listen --port 0 --once --timeout 5 2>listen.err & L=$!; "
        "(while kill -0 $L 2>/dev/null; do grep VmHWM /proc/$L/status >>rss 2>/dev/null; sleep 0.02; done) & "
        "for i in $(seq 400); do grep -q 'on 127.0.0.1:' listen.err 2>/dev/null && break; sleep 0.025; done; "
        "P=$(grep -o '127.0.0.1:[0-9]*' listen.err | cut -d: -f2); "
        "timeout 60 " OQ_SIMULATED_HANDHELD_PATH " --port $P --databases first --save attacked --user Me " +
        attack + " >/dev/null 2>&1; wait $L; echo $?";
    const auto outcome = test::RunCommand(script);
    Measured measured;
    measured.listen = std::atoi(outcome.standardOutput.c_str());
    measured.output = test::ReadText(work_.path() / "listen.err");
    std::istringstream rss(test::ReadText(work_.path() / "rss"));
    for (std::string label, unit; rss >> label;) {
      long kib = 0;
      rss >> kib >> unit;
      measured.peakKiB = std::max(measured.peakKiB, kib);
    }
    return measured;
  };
  const auto catalogue = measure("--endless-catalogue yes");
  EXPECT_EQ(catalogue.listen, 1) << catalogue.output;
  EXPECT_THAT(catalogue.output, HasSubstr("the catalogue could not be read: reading OQProgDB on the handheld failed: "
                                          "ReadRecord: the handheld sent more than 32 MiB in one HotSync"));
  EXPECT_GT(catalogue.peakKiB, 0);
  // Bounded far below what the attack sends (over 3 GB), with room for the
  // sanitizers' own memory.
  EXPECT_LT(catalogue.peakKiB, 400 * 1024) << "KiB at the peak";
  const auto list = measure("--endless-list yes");
  EXPECT_EQ(list.listen, 1) << list.output;
  EXPECT_THAT(list.output, HasSubstr("lists more than 16384 databases"));
  EXPECT_LT(list.peakKiB, 400 * 1024) << "KiB at the peak";
  // The catalogue as it was: the attack read, never wrote.
  EXPECT_EQ(test::Records(test::ReadDatabase(Path("attacked") + "/OQProgDB.pdb")),
            test::Records(test::ReadDatabase(Path("first") + "/OQProgDB.pdb")));
}

TEST_F(ListenerHostilePeersTest, PeersThatSayNothingOrTrickleHoldNoHandheldUp) {
  const std::string handheld = "timeout 60 " OQ_SIMULATED_HANDHELD_PATH " --port $P --databases backup";
  const std::string script =
      "cd " + work_.path().string() + "; http_proxy=" + tracker_.Url() +
      " timeout 120 " OQ_HOTSYNC_PATH
      " listen --port 0 --timeout 2 >listen.out 2>listen.err & L=$!; "
      "for i in $(seq 400); do grep -q 'on 127.0.0.1:' listen.err && break; sleep 0.025; done; "
      "P=$(grep -o '127.0.0.1:[0-9]*' listen.err | cut -d: -f2); A=''; "
      "for i in $(seq 10); do " +
      handheld +
      " --save silent$i --silent-for 4 >/dev/null 2>&1 & A=\"$A $!\"; done; "
      "for i in 1 2; do " +
      handheld +
      " --save trickle$i --trickle-ms 400 >/dev/null 2>&1 & A=\"$A $!\"; done; "
      "sleep 0.3; " +
      handheld + " --save slow --user Slow --delay-ms 15 & S=$!; sleep 0.2; " + handheld +
      " --save next --user Next; echo next=$?; wait $S; echo slow=$?; wait $A; kill -TERM $L; wait $L; echo listen=$?";
  const auto outcome = test::RunCommand(script);
  const std::string err = test::ReadText(work_.path() / "listen.err");
  EXPECT_THAT(outcome.standardOutput, HasSubstr("next=0")) << err;
  EXPECT_THAT(outcome.standardOutput, HasSubstr("slow=0")) << err;
  EXPECT_THAT(outcome.standardOutput, HasSubstr("listen=0")) << err;
  EXPECT_THAT(err, HasSubstr("added the HotSync user \"Next\""));
  EXPECT_THAT(err, HasSubstr("its HotSync did not start: the handheld stopped answering (it did not open its HotSync "
                             "within 2 s)"));
}

}  // namespace
}  // namespace oq
