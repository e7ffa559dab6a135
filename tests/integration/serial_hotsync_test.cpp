// oq-hotsync listen --serial and --serial-tcp against the simulated
// handheld speaking the serial protocols on a pseudo-terminal and on a
// socket: the same HotSync as a network one, at the rate both ends agree,
// through the faults a cable has.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "child_process.h"
#include "desktop_directory.h"
#include "handheld_files.h"
#include "listen_fixture.h"
#include "test_environment.h"

namespace oq {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

using test::ListenRun;
using test::Records;
using test::TrackerPreference;
using test::Wire;

class SerialHotSyncTest : public test::ListenFixture {
 protected:
  // What a HotSync left on the handheld that the conduit and catalogue own.
  struct Left {
    std::vector<std::tuple<uint32_t, uint8_t, std::vector<uint8_t>>> catalogue;
    std::optional<std::vector<uint8_t>> appInfo;
    std::vector<uint8_t> preference;
  };
  Left LeftIn(const std::string& saved) {
    const auto catalogue = test::ReadDatabase(Path(saved) + "/OQProgDB.pdb");
    return {Records(catalogue), catalogue.appInfo,
            TrackerPreference(test::ReadDatabase(Path(saved) + "/Saved Preferences.prc"))};
  }
  // A first HotSync of the sample handheld over `wire`, each on a desktop
  // that has not seen the handheld yet, tracking past the period the one
  // before began.
  ListenRun FirstSync(Wire wire, const std::string& handheldOptions, const std::string& listenOptions,
                      const std::string& saved) {
    ForgetTheHandheld();
    return SyncOver(wire, handheldOptions, "--force " + listenOptions, saved);
  }
};

void ExpectComplete(const ListenRun& run, const std::string& what) {
  EXPECT_EQ(run.listen, 0) << what << "\n" << run.output;
  EXPECT_EQ(run.handheld, 0) << what;
  EXPECT_THAT(run.output, HasSubstr("HotSync with \"Me\" complete")) << what;
  EXPECT_EQ(run.info.count("endStatus") ? run.info.at("endStatus") : "", "0") << what;
}

TEST_F(SerialHotSyncTest, EveryWireLeavesTheHandheldAsTheNetworkHotSyncDoes) {
  const ListenRun network = FirstSync(Wire::kNetwork, "", "--timeout 5", "network");
  ExpectComplete(network, "network");
  const Left expected = LeftIn("network");
  ASSERT_FALSE(expected.preference.empty());

  const ListenRun cradle = FirstSync(Wire::kSerialPty, "", "--timeout 5", "cradle");
  ExpectComplete(cradle, "cradle");
  EXPECT_THAT(cradle.output, HasSubstr("the HotSync goes at 57600 bits per second"));
  EXPECT_EQ(cradle.info.at("cmpRate"), "57600") << "the fastest the handheld offers and the port can do";
  EXPECT_EQ(cradle.info.at("lineRate"), "57600") << "the desktop switched its port";

  const ListenRun emulator = FirstSync(Wire::kSerialTcp, "", "--timeout 5", "emulator");
  ExpectComplete(emulator, "emulator");
  EXPECT_EQ(emulator.info.at("cmpRate"), "9600") << "a socket has no rate to change";

  const ListenRun usb = FirstSync(Wire::kNetSyncPty, "", "--timeout 5", "usb");
  ExpectComplete(usb, "a USB cradle speaking NetSync's framing");

  for (const char* saved : {"cradle", "emulator", "usb"}) {
    const Left left = LeftIn(saved);
    EXPECT_EQ(left.catalogue, expected.catalogue) << saved;
    EXPECT_EQ(left.appInfo, expected.appInfo) << saved;
    EXPECT_EQ(left.preference, expected.preference) << saved;
  }
  EXPECT_THAT(test::RunHotSync("log --user Me").output,
              MatchesRegex("WHEN [^\n]*\n"
                           "[^\n]* tracked +network HotSync from 127\\.0\\.0\\.1\n"
                           "[^\n]* tracked +serial HotSync from /dev/pts/[0-9]+\n"
                           "[^\n]* tracked +serial HotSync from 127\\.0\\.0\\.1\n"
                           "[^\n]* tracked +USB HotSync from /dev/pts/[0-9]+\n"));
}

TEST_F(SerialHotSyncTest, TheRateIsTheFastestBothEndsCanGoAndTheLineIsPacedAtIt) {
  struct Case {
    std::string handheld, listen;
    std::string rate;
  };
  const std::vector<Case> cases = {
      {"--offer-rate 115200 --pace yes", "", "115200"},
      {"--offer-rate 115200 --pace yes", "--baud 9600", "9600"},  // asked to stay at the starting rate
      {"--offer-rate 460800", "", "115200"},                      // faster than the port goes
      {"--offer-rate 460800", "--baud 230400", "230400"},
      {"--offer-rate 28800", "", "19200"},  // no port rate of its own: the next below
  };
  for (const auto& [handheld, listen, rate] : cases) {
    ListenRun run = FirstSync(Wire::kSerialPty, handheld, "--timeout 5 " + listen, "saved");
    ExpectComplete(run, handheld + " " + listen);
    EXPECT_EQ(run.info["cmpRate"], rate) << handheld << " " << listen;
    EXPECT_EQ(run.info["lineRate"], rate) << handheld << " " << listen;
  }
}

TEST_F(SerialHotSyncTest, ALineThatLosesOrRepeatsPacketsStillCompletesTheSameHotSync) {
  const ListenRun clean = FirstSync(Wire::kSerialPty, "", "--timeout 5", "clean");
  ExpectComplete(clean, "clean");
  const Left expected = LeftIn("clean");
  // Packets count from the wake-up; the third data packet is an answer.
  const std::vector<std::string> faults = {"--corrupt-crc 3", "--drop-ack 4", "--duplicate 3", "--fragment 40",
                                           "--delay-ms 150"};
  for (const auto& fault : faults) {
    const ListenRun run = FirstSync(Wire::kSerialPty, fault, "--timeout 5", "faulty");
    ExpectComplete(run, fault);
    const Left left = LeftIn("faulty");
    EXPECT_EQ(left.catalogue, expected.catalogue) << fault;
    EXPECT_EQ(left.preference, expected.preference) << fault;
    if (fault == "--corrupt-crc 3") {
      EXPECT_EQ(run.info.at("resent"), "1") << "the broken packet sent again";
    }
  }
}

TEST_F(SerialHotSyncTest, AProgramLargerThanAFragmentIsInstalledWhole) {
  standin::DesktopDirectory desktop;
  desktop.AddUser("Me");
  std::vector<uint8_t> large(5000);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7);
  const auto program = test::MakeRecordDatabase("Queued Notes", "DATA", "QnOt", {large, {4, 5}});
  test::WriteDatabase(Path("Queued Notes.pdb"), program);
  ASSERT_EQ(desktop.QueueFile("Me", Path("Queued Notes.pdb")), standin::DesktopDirectory::QueueResult::kQueued);

  const ListenRun run = SyncOver(Wire::kSerialPty, "");
  ExpectComplete(run, "install");
  EXPECT_EQ(Records(test::ReadDatabase(Path("saved") + "/Queued Notes.pdb")), Records(program));
  EXPECT_TRUE(desktop.QueuedFiles("Me").empty());
}

TEST_F(SerialHotSyncTest, ACablePulledAtAnyStageIsAClearFailureAndLosesNothing) {
  ASSERT_EQ(SyncOver(Wire::kSerialPty, "", "--timeout 5", "first").listen, 0);
  const auto before = test::ReadDatabase(Path("first") + "/OQProgDB.pdb");
  // Packet 1 is the wake-up, 2 the ack of the init; later ones are acks and
  // answers in the HotSync, the last of them well into the catalogue. A
  // pseudo-terminal drops what was not read when its other side closes, so
  // the wake-up is cut on a socket, where the desktop sees its half.
  for (const int packet : {1, 2, 3, 12, 40}) {
    ForgetTheHandheld();
    const std::string fault = "--cut-packet " + std::to_string(packet);
    const ListenRun run =
        SyncOver(packet == 1 ? Wire::kSerialTcp : Wire::kSerialPty, fault, "--timeout 5", "after", "first");
    EXPECT_EQ(run.listen, 1) << fault << "\n" << run.output;
    EXPECT_THAT(run.output, HasSubstr("the handheld hung up")) << fault;
    EXPECT_THAT(run.output, Not(HasSubstr("complete"))) << fault;
    const auto after = test::ReadDatabase(Path("after") + "/OQProgDB.pdb");
    EXPECT_EQ(Records(after), Records(before)) << fault;
  }
}

TEST_F(SerialHotSyncTest, AStopInTheMiddleTellsTheHandheldTheSyncDidNotComplete) {
  const std::string script =
      "cd " + work_.path().string() +
      "; rm -f pty.name; timeout 60 " OQ_SIMULATED_HANDHELD_PATH
      " --pty pty.name --framing serial --delay-ms 40 --databases backup --save saved --user Me & H=$!; "
      "for i in $(seq 400); do [ -e pty.name ] && break; sleep 0.025; done; http_proxy=" +
      tracker_.Url() +
      " timeout 60 " OQ_HOTSYNC_PATH
      " listen --serial \"$(cat pty.name)\" --once 2>listen.err & L=$!; "
      "for i in $(seq 400); do grep -q 'HotSync with' listen.err 2>/dev/null && break; sleep 0.025; done; "
      "kill -TERM $L; wait $L; echo \"listen=$?\"; wait $H; echo \"handheld=$?\"";
  const auto outcome = test::RunCommand(script);
  const std::string err = test::ReadText(work_.path() / "listen.err");
  EXPECT_THAT(outcome.standardOutput, HasSubstr("listen=1")) << err;
  EXPECT_THAT(outcome.standardOutput, HasSubstr("handheld=0")) << "the handheld was told the HotSync ended";
  EXPECT_THAT(err, HasSubstr("stopped; the HotSync did not complete"));
  EXPECT_THAT(err, Not(HasSubstr("\" complete")));
  EXPECT_THAT(test::ReadText(work_.path() / "saved" / "handheld.txt"), HasSubstr("endStatus=3"));
}

TEST_F(SerialHotSyncTest, APortThatCannotBeUsedIsNamedAndRefused) {
  const auto missing = test::RunHotSync("listen --serial /dev/ttyUSB-not-there --once");
  EXPECT_EQ(missing.status, 2);
  EXPECT_THAT(missing.output, HasSubstr("/dev/ttyUSB-not-there does not exist: is the cradle or adapter plugged in?"));
  const auto notATty = test::RunHotSync("listen --serial /dev/null --once");
  EXPECT_EQ(notATty.status, 2);
  EXPECT_THAT(notATty.output, HasSubstr("/dev/null is not a serial port"));

  // A second listener on a port the first holds.
  const std::string script =
      "cd " + work_.path().string() +
      "; rm -f pty.name; timeout 30 " OQ_SIMULATED_HANDHELD_PATH
      " --pty pty.name --framing netsync --silent-for 20 --databases backup --save held & H=$!; "
      "for i in $(seq 400); do [ -e pty.name ] && break; sleep 0.025; done; "
      "timeout 30 " OQ_HOTSYNC_PATH
      " listen --serial \"$(cat pty.name)\" 2>first.err & F=$!; "
      "for i in $(seq 400); do grep -q 'waiting for HotSyncs' first.err 2>/dev/null && break; sleep 0.025; done; "
      "timeout 30 " OQ_HOTSYNC_PATH
      " listen --serial \"$(cat pty.name)\" --once; echo \"second=$?\"; "
      "kill $F $H; wait $F; echo \"first=$?\"";
  const auto busy = test::RunCommand(script);
  EXPECT_THAT(busy.output, HasSubstr("is in use by another program"));
  EXPECT_THAT(busy.output, HasSubstr("second=2"));
  EXPECT_THAT(busy.output, HasSubstr("first=0")) << "a stop between HotSyncs ends the listener well";
}

}  // namespace
}  // namespace oq
