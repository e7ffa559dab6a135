// `oq-hotsync listen --once` served by the tests' simulated handheld on
// loopback, against oq-tracker with the sample catalogue, in a desktop of
// the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "palm_database.h"
#include "test_environment.h"

namespace oq::test {

struct ListenRun {
  int listen = -1;    // oq-hotsync's exit status
  int handheld = -1;  // the simulated handheld's
  std::string output;
  std::map<std::string, std::string> info;  // handheld.txt
};

// How the handheld reaches the desktop: a network HotSync; the serial
// protocols on a pseudo-terminal (a cradle) or on a socket (an
// emulator); NetSync's framing on a pseudo-terminal (a later handheld's
// USB cradle).
enum class Wire { kNetwork, kSerialPty, kSerialTcp, kNetSyncPty };

class ListenFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  std::string Path(const std::string& name) const { return (work_.path() / name).string(); }

  // What the desktop learnt of Me's handheld: without it, a HotSync reads
  // every program and the catalogue, and the requests keep their numbers.
  static void ForgetTheHandheld();

  // One HotSync of the handheld whose databases are in the folder
  // `databases` (the sample backup by default); `saved` receives them
  // afterwards. The handheld's user is Me unless its options say otherwise.
  ListenRun Sync(const std::string& handheldOptions, const std::string& listenOptions = "--timeout 5",
                 const std::string& saved = "saved", const std::string& databases = "backup") {
    return SyncOver(Wire::kNetwork, handheldOptions, listenOptions, saved, databases);
  }

  ListenRun SyncOver(Wire wire, const std::string& handheldOptions, const std::string& listenOptions = "--timeout 5",
                     const std::string& saved = "saved", const std::string& databases = "backup");

  // The start of a shell script that runs `oq-hotsync listen` in the
  // background in the work folder (its pid in $L, its port in $P, its
  // stderr in listen.err) once it listens on `endpoint`.
  std::string ListenInBackground(const std::string& listenOptions = "",
                                 const std::string& endpoint = "--address 127.0.0.1 --port 0") const;

  ScopedHome home_;
  TempDir work_;
  TrackerProcess tracker_{
      {"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv", "--message", "Greetings from the test tracker"}};
};

// Records as the conduit leaves them: id, attributes with category, bytes.
std::vector<std::tuple<uint32_t, uint8_t, std::vector<uint8_t>>> Records(const palm::Database& database);

// The bytes of the rkOQ preference 0 in a preferences database; empty when none.
std::vector<uint8_t> TrackerPreference(const palm::Database& preferences);

}  // namespace oq::test
