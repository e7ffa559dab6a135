// The command line as a newcomer meets it: a mistyped command named, the
// files and conduit in use shown, -q, a table that fits the terminal and
// colours only where it may, the installer driven by --script.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "child_process.h"
#include "handheld_files.h"
#include "test_environment.h"

namespace oq {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

class NewcomerCommandLineTest : public ::testing::Test {
 protected:
  test::ScopedHome home_;
  test::TempDir work_;
};

TEST_F(NewcomerCommandLineTest, AMistypedCommandIsNamedAndThePathsInUseAreShown) {
  const auto typo = test::RunHotSync("shwo");
  EXPECT_EQ(typo.status, 2);
  EXPECT_THAT(typo.output, HasSubstr("there is no command \"shwo\"; did you mean \"show\"?"));

  const auto paths = test::RunHotSync("paths");
  EXPECT_EQ(paths.status, 0);
  EXPECT_THAT(paths.output, HasSubstr("settings file:        " + home_.SettingsPath().string()));
  EXPECT_THAT(paths.output, HasSubstr("none registered: the one beside oq-hotsync"));
  // The installer's copy in the Palm Desktop folder wins over the packaged one, and says so.
  test::WriteText(home_.path() / "palm" / "conduits.ini", "[rkOQ]\nType=0\nLibrary=OrbitQuail.so\n");
  EXPECT_THAT(test::RunHotSync("paths").output,
              HasSubstr("conduit:              " + (home_.path() / "palm" / "OrbitQuail.so").string() +
                        " (registered for rkOQ by the installer; it is used instead of"));
}

TEST_F(NewcomerCommandLineTest, QuietLeavesOutTheLogAndTheTableFitsTheTerminalInColourUnlessNoColor) {
  const auto handheld = work_.path() / "handheld";
  ASSERT_EQ(test::RunHotSync("sample --handheld " + handheld.string()).status, 0);
  const auto quiet = test::RunHotSync("-q sync --action 6 --handheld " + handheld.string());
  EXPECT_EQ(quiet.status, 3);
  EXPECT_EQ(quiet.standardOutput, "") << "the log line left out";

  // A long message in one record, shown on a terminal of 80 columns.
  auto catalogue = test::ReadDatabase(handheld / "OQProgDB.pdb");
  auto& record = catalogue.records[0].data;
  const std::string message = "A message that runs on for far longer than any terminal line is wide, word after word";
  record.resize(110);
  record.insert(record.end(), message.begin(), message.end());
  record.push_back(0);
  record[84] = '9';  // a newer latest version: a coloured row
  test::WriteDatabase(handheld / "OQProgDB.pdb", catalogue);
  const auto show = [&](const std::string& environment) {
    return test::RunCommand(environment + " COLUMNS=80 script -qec '" OQ_HOTSYNC_PATH " show --handheld " +
                            handheld.string() + "' /dev/null")
        .standardOutput;
  };
  const std::string coloured = show("TERM=xterm");
  EXPECT_THAT(coloured, HasSubstr("\x1b[1;32m9\x1b[0m"));
  EXPECT_THAT(coloured, HasSubstr("..."));
  const std::string plain = show("TERM=xterm NO_COLOR=1");
  EXPECT_THAT(plain, Not(HasSubstr("\x1b[")));
  std::istringstream lines(plain);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("appl", 0) == 0) {
      EXPECT_LE(line.size(), 80u) << line;
    }
  }
  const auto piped = test::RunHotSync("show --handheld " + handheld.string());
  EXPECT_THAT(piped.standardOutput, HasSubstr(message)) << "a pipe gets whole lines";
  EXPECT_THAT(piped.standardOutput, Not(HasSubstr("\x1b[")));
}

TEST_F(NewcomerCommandLineTest, TheInstallerTakesAScriptAndNamesThisBuildsConduit) {
  const auto outcome =
      test::RunCommand("cd " + work_.path().string() + " && " OQ_INSTALLER_PATH " --script 'click 1002' 2>&1");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("2. OrbitQuail.so: OrbitQuail conduit program."));
  EXPECT_THAT(outcome.output, Not(HasSubstr("OrbitQuail.dll")));
}

}  // namespace
}  // namespace oq
