// What a live HotSync reads and writes: only what changed since the desktop
// last saw the handheld, records rewritten in place so that a lost link
// loses no answer, and a handheld taken as it comes, its name as data.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "byte_codec.h"
#include "desktop_directory.h"
#include "handheld_files.h"
#include "listen_fixture.h"
#include "program_record.h"

namespace oq {
namespace {

namespace fs = std::filesystem;
namespace layout = program_record;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using LiveHotSyncChangesTest = test::ListenFixture;

// The requests a HotSync made, by command (hex, as handheld.txt has them).
std::map<std::string, int> Commands(const test::ListenRun& run) {
  std::map<std::string, int> counts;
  std::istringstream words(run.info.at("commands"));
  for (std::string word; words >> word;) {
    if (!word.empty() && word.back() == '!') word.pop_back();
    ++counts[word];
  }
  return counts;
}

int Requests(const test::ListenRun& run) { return std::stoi(run.info.at("requests")); }

// A program's new version, as an upgrade leaves its database.
void Upgrade(const fs::path& file, const std::string& version) {
  auto program = test::ReadDatabase(file);
  for (auto& resource : program.resources) {
    if (palm::FourCCText(resource.type) == "tver") resource.data.assign(version.begin(), version.end() + 1);
  }
  ++program.modificationNumber;
  program.modificationDate += 60;
  test::WriteDatabase(file, program);
}

std::vector<uint8_t> Answer(const palm::Record& record) {
  const auto& data = record.data;
  std::vector<uint8_t> answer(data.begin() + layout::kLatestVersionOffset,
                              data.begin() + layout::kReleaseDateOffset + layout::kReleaseDateLength);
  answer.insert(answer.end(), data.begin() + layout::kProgramMessageOffset, data.end());
  return answer;
}

TEST_F(LiveHotSyncChangesTest, AHotSyncReadsAndWritesOnlyWhatChangedSinceTheLast) {
  const auto first = Sync("", "--timeout 5", "first");
  ASSERT_EQ(first.listen, 0) << first.output;

  // Nothing changed, the tracking period stops the pass: the list and a
  // few requests of the HotSync's own.
  const auto idle = Sync("", "--timeout 5", "second", "first");
  ASSERT_EQ(idle.listen, 3) << idle.output;
  auto commands = Commands(idle);
  EXPECT_LE(Requests(idle) - commands["16"], 10) << idle.info.at("commands");
  EXPECT_EQ(commands["17"], 0) << "no database opened: " << idle.info.at("commands");
  EXPECT_EQ(test::ReadBytes(Path("second") + "/OQProgDB.pdb"), test::ReadBytes(Path("first") + "/OQProgDB.pdb"));

  // One program upgraded: it alone is read, its record alone written.
  Upgrade(Path("second") + "/Star Chart.prc", "2.1");
  const auto upgraded = Sync("", "--timeout 5", "third", "second");
  ASSERT_EQ(upgraded.listen, 3) << upgraded.output;
  commands = Commands(upgraded);
  EXPECT_LE(Requests(upgraded) - commands["16"], 20) << upgraded.info.at("commands");
  EXPECT_EQ(commands["17"], 2) << "the program, then the catalogue: " << upgraded.info.at("commands");
  EXPECT_EQ(commands["21"], 1) << upgraded.info.at("commands");
  EXPECT_EQ(commands["22"], 0) << "nothing deleted";
  const auto before = test::ReadDatabase(Path("second") + "/OQProgDB.pdb");
  const auto after = test::ReadDatabase(Path("third") + "/OQProgDB.pdb");
  ASSERT_EQ(after.records.size(), before.records.size());
  for (size_t i = 0; i < after.records.size(); ++i) {
    bytes::ByteReader reader(after.records[i].data);
    const std::string name = reader.Text(layout::kProgramNameOffset, layout::kProgramNameLength);
    EXPECT_EQ(after.records[i].uniqueId, before.records[i].uniqueId) << name;
    EXPECT_EQ(Answer(after.records[i]), Answer(before.records[i])) << name;
    EXPECT_EQ(
        reader.Text(layout::kInstalledVersionOffset, layout::kVersionLength),
        name == "Star Chart"
            ? "2.1"
            : bytes::ByteReader(before.records[i].data).Text(layout::kInstalledVersionOffset, layout::kVersionLength));
  }

  // The catalogue changed on the handheld behind the desktop's back: read again.
  auto catalogue = test::ReadDatabase(Path("third") + "/OQProgDB.pdb");
  catalogue.records[0].data[layout::kExcludeFlagOffset] = 1;
  ++catalogue.modificationNumber;
  test::WriteDatabase(Path("third") + "/OQProgDB.pdb", catalogue);
  const auto edited = Sync("", "--timeout 5", "fourth", "third");
  ASSERT_EQ(edited.listen, 3) << edited.output;
  EXPECT_EQ(test::Records(test::ReadDatabase(Path("fourth") + "/OQProgDB.pdb")), test::Records(catalogue));
  EXPECT_GT(Commands(edited)["20"], 0) << "its records read: " << edited.info.at("commands");
}

TEST_F(LiveHotSyncChangesTest, ALinkLostAtAnyRequestOfACatalogueUpdateLeavesEveryAnswerOnTheHandheld) {
  ASSERT_EQ(Sync("", "--timeout 5", "first").listen, 0);
  const auto tracked = test::ReadDatabase(Path("first") + "/OQProgDB.pdb");
  Upgrade(Path("first") + "/Star Chart.prc", "2.1");
  Upgrade(Path("first") + "/MathLib.prc", "1.2");
  fs::remove(Path("first") + "/Word Hunt.prc");
  const fs::path home = home_.path(), snapshot = Path("home-before");
  fs::copy(home, snapshot, fs::copy_options::recursive);

  const auto whole = Sync("", "--timeout 5", "after", "first");
  ASSERT_EQ(whole.listen, 3) << whole.output;
  const int requests = Requests(whole);
  for (int drop = 1; drop <= requests; ++drop) {
    for (const auto& entry : fs::directory_iterator(home)) fs::remove_all(entry.path());
    fs::copy(snapshot, home, fs::copy_options::recursive);
    const auto run = Sync("--drop-after " + std::to_string(drop), "--timeout 5", "after", "first");
    EXPECT_EQ(run.listen, 1) << "dropped at request " << drop << "\n" << run.output;
    const auto left = test::ReadDatabase(Path("after") + "/OQProgDB.pdb");
    for (const auto& record : tracked.records) {
      const std::string name =
          bytes::ByteReader(record.data).Text(layout::kProgramNameOffset, layout::kProgramNameLength);
      if (name == "Word Hunt") continue;
      const auto kept = std::find_if(left.records.begin(), left.records.end(),
                                     [&](const palm::Record& r) { return r.uniqueId == record.uniqueId; });
      ASSERT_NE(kept, left.records.end()) << name << " lost at request " << drop;
      EXPECT_EQ(Answer(*kept), Answer(record)) << name << "'s answer, dropped at request " << drop;
    }
  }
}

TEST_F(LiveHotSyncChangesTest, AHandheldWithoutANameIsGivenTheOneListenIsTold) {
  const auto refused = Sync("--user '' --user-id 0");
  EXPECT_EQ(refused.listen, 1) << refused.output;
  EXPECT_THAT(refused.output, HasSubstr("the handheld has no user name; give it one with `oq-hotsync listen --user"));

  const auto named = Sync("--user '' --user-id 0", "--timeout 5 --user 'Eve Lin'");
  ASSERT_EQ(named.listen, 0) << named.output;
  EXPECT_THAT(named.output, HasSubstr("named the handheld \"Eve Lin\""));
  EXPECT_EQ(named.info.at("user"), "Eve Lin");
  EXPECT_NE(named.info.at("userId"), "0") << "a first HotSync gives it an id too";
  EXPECT_THAT(standin::DesktopDirectory().Users(), Contains("Eve Lin"));

  // A name known in other letter case needs --new-user, as sync does.
  const auto other = Sync("--user 'eve lin'");
  EXPECT_EQ(other.listen, 1);
  EXPECT_THAT(other.output, HasSubstr("listen with --new-user to add \"eve lin\""));
  const auto added = Sync("--user 'eve lin'", "--timeout 5 --new-user");
  EXPECT_THAT(added.output, HasSubstr("added the HotSync user \"eve lin\"")) << added.output;
}

TEST_F(LiveHotSyncChangesTest, ANameThatCouldBeReadAsStructureIsRefusedAndNothingWritten) {
  const fs::path users = home_.path() / "palm" / "users.ini";
  const std::map<std::string, std::string> names = {
      {"\"$(printf 'Eve\\n[Users]\\nAdmin=1')\"", "\"Eve\\x0A[Users]\\x0AAdmin=1\" holds control characters"},
      {"'" + std::string(40, 'n') + "'", "is longer than the 39 bytes a handheld keeps"},
      {"'   '", "is empty"},
      {"' Eve'", "begins or ends with a blank"},
  };
  for (const auto& [name, said] : names) {
    const auto run = Sync("--user " + name);
    EXPECT_EQ(run.listen, 1) << name;
    EXPECT_THAT(run.output, HasSubstr(said)) << run.output;
    EXPECT_FALSE(fs::exists(users)) << name;
    EXPECT_FALSE(fs::exists(home_.path() / "palm" / "users")) << name;
    const auto sync = test::RunHotSync("sync --handheld " + Path("backup") + " --user " + name);
    EXPECT_EQ(sync.status, 2) << sync.output;
    EXPECT_THAT(sync.output, HasSubstr(said));
    EXPECT_FALSE(fs::exists(users)) << name;
  }
}

TEST_F(LiveHotSyncChangesTest, ListenForceTracksTheNextHotSyncPastThePeriod) {
  ASSERT_EQ(Sync("").listen, 0);
  const auto gated = Sync("");
  EXPECT_EQ(gated.listen, 3) << gated.output;
  EXPECT_THAT(gated.output, HasSubstr("`oq-hotsync listen --force` tracks at the next HotSync"));
  const auto forced = Sync("", "--timeout 5 --force");
  EXPECT_EQ(forced.listen, 0) << forced.output;
  EXPECT_THAT(forced.output, HasSubstr("To be tracked: 1"));
}

}  // namespace
}  // namespace oq
