// A real backup folder, written by palm-pdb, synced by oq-hotsync against
// oq-tracker: the catalogue and the preference are made on the desktop,
// refreshed at the next sync, and never made over a catalogue the
// handheld program wrote.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "byte_codec.h"
#include "child_process.h"
#include "handheld_files.h"
#include "program_record.h"
#include "test_environment.h"
#include "tracker_preference_layout.h"

namespace oq {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
namespace layout = program_record;

struct Program {
  uint32_t id;
  std::string type, creator, name, altName, installed, latest;
  uint8_t skip, exclude;
  std::vector<uint8_t> bytes;
};

class BackupFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tracker_.running()) << tracker_.Output();
    ASSERT_EQ(MakeFolder(""), 0) << "node and tests/interop/node_modules (scripts/install-dependencies.sh)";
    test::WriteText(home_.SettingsPath(), "[Track]\nPeriod=0\n");
  }
  int MakeFolder(const std::string& variant) const {
    return test::RunCommand("node " OQ_SOURCE_DIR "/tests/interop/make_backup_folder.mjs '" + Folder().string() + "' " +
                            variant)
        .status;
  }
  std::filesystem::path Folder() const { return work_.path() / "Backup"; }
  test::Outcome Hotsync(const std::string& arguments) const {
    return test::RunHotSync(arguments, "http_proxy=" + tracker_.Url());
  }
  std::map<std::string, Program> Catalogue() const {
    std::map<std::string, Program> programs;
    for (const auto& record : test::ReadDatabase(Folder() / "OQProgDB.pdb").records) {
      bytes::ByteReader r(record.data);
      Program p{record.uniqueId,
                r.Text(layout::kTypeCodeOffset, layout::kCodeLength),
                r.Text(layout::kCreatorCodeOffset, layout::kCodeLength),
                r.Text(layout::kProgramNameOffset, layout::kProgramNameLength),
                r.Text(layout::kAltNameOffset, layout::kAltNameLength),
                r.Text(layout::kInstalledVersionOffset, layout::kVersionLength),
                r.Text(layout::kLatestVersionOffset, layout::kVersionLength),
                r.U8(layout::kSkipFlagOffset),
                r.U8(layout::kExcludeFlagOffset),
                record.data};
      programs.emplace(p.name, p);
    }
    return programs;
  }

  test::ScopedHome home_;
  test::TempDir work_;
  test::TrackerProcess tracker_{[this] {
    test::WriteText(work_.path() / "catalog.tsv",
                    "creator\tversion\tdate\tmsg\nStCh\t2.5\t2026/10/01\tNew star maps\n"
                    "qNte\t1.0\t2025/01/01\tUp to date\x1b[2J\nMthL\t1.2\t2026/02/02\tFaster\n");
    return std::vector<std::string>{"--catalog", (work_.path() / "catalog.tsv").string(), "--message", "Hello"};
  }()};
};

TEST_F(BackupFolderTest, AFolderWithoutCatalogueIsCataloguedAndEveryProgramTracked) {
  std::map<std::string, std::vector<uint8_t>> untouched;
  for (const char* file : {"MemoDB.pdb", "DatebookDB.pdb", "ToDoDB.pdb", "OrbitQuail.prc", "WordHunt.prc"}) {
    untouched[file] = test::ReadBytes(Folder() / file);
  }
  const auto synced = Hotsync("sync --handheld " + Folder().string());
  ASSERT_EQ(synced.status, 0) << synced.output;
  EXPECT_THAT(synced.output, HasSubstr("8 programs tracked, 2 with a newer version; `oq-hotsync show --outdated"));

  const auto programs = Catalogue();
  std::vector<std::string> names;
  for (const auto& record : test::ReadDatabase(Folder() / "OQProgDB.pdb").records) {
    names.push_back(bytes::ByteReader(record.data).Text(layout::kProgramNameOffset, layout::kProgramNameLength));
  }
  EXPECT_THAT(names, ElementsAre("A program whose name fills 31 b", "ClockPanel", "MathLib", "QuailNotes", "Star Chart",
                                 "Tide Tables", "Tide Tables Pro", "Word Hunt"))
      << "programs only (no overlay, no OrbitQuail, no data), by name";
  EXPECT_EQ(programs.at("QuailNotes").altName, "Q Notes") << "the launcher's name, where it differs";
  EXPECT_EQ(programs.at("Star Chart").altName, "");
  EXPECT_EQ(programs.at("Word Hunt").installed, "3") << "no version resource: the header's version";
  EXPECT_EQ(programs.at("A program whose name fills 31 b").installed, "v12.3.45-be") << "cut to its 12 bytes";
  EXPECT_EQ(programs.at("MathLib").type, "libr");
  EXPECT_EQ(programs.at("ClockPanel").type, "panl");
  EXPECT_EQ(programs.at("Tide Tables").creator, programs.at("Tide Tables Pro").creator);
  EXPECT_EQ(programs.at("Star Chart").latest, "2.5");
  EXPECT_EQ(programs.at("MathLib").latest, "1.2");
  EXPECT_EQ(programs.at("Word Hunt").latest, "");
  for (const auto& [name, program] : programs) {
    for (size_t after : {layout::kLatestVersionOffset + layout::kVersionLength,
                         layout::kReleaseDateOffset + layout::kReleaseDateLength}) {
      EXPECT_EQ(program.bytes[after] | program.bytes[after + 1] | program.bytes[after + 2] | program.bytes[after + 3],
                0)
          << name;
    }
  }

  const auto prefs = test::ReadDatabase(Folder() / "Saved Preferences.prc");
  ASSERT_EQ(prefs.resources.size(), 3u);
  EXPECT_EQ(prefs.resources[0].data, (std::vector<uint8_t>{0x00, 0x02, 0xca, 0xfe})) << "others' preferences kept";
  EXPECT_EQ(prefs.resources[1].data, (std::vector<uint8_t>{0x00, 0x01, 0x01, 0x02, 0x03}));
  const auto& ours = prefs.resources[2];
  EXPECT_EQ(palm::FourCCText(ours.type), "rkOQ");
  EXPECT_EQ(ours.id, 0);
  ASSERT_EQ(ours.data.size(), 2 + tracker_preference::kSize);
  bytes::ByteReader preference(ours.data);
  EXPECT_EQ(preference.U16Be(0), tracker_preference::kVersion);
  EXPECT_EQ(preference.U8(2 + tracker_preference::kUseSkipFlagOffset), 1);
  EXPECT_EQ(preference.Text(2 + tracker_preference::kServerMessageOffset, tracker_preference::kServerMessageLength),
            "Hello");
  for (const auto& [file, bytes] : untouched) EXPECT_EQ(test::ReadBytes(Folder() / file), bytes) << file;

  const auto outdated = Hotsync("show --outdated --handheld " + Folder().string());
  EXPECT_EQ(outdated.status, 4) << outdated.output;
  EXPECT_THAT(outdated.output, HasSubstr("Star Chart"));
  EXPECT_THAT(outdated.output, HasSubstr("MathLib"));
  EXPECT_THAT(outdated.output, Not(HasSubstr("QuailNotes")));
  EXPECT_THAT(outdated.output, Not(HasSubstr("Last tracked: never")));

  const auto table = Hotsync("show --handheld " + Folder().string());
  EXPECT_THAT(table.output, HasSubstr("Up to date\\x1B[2J")) << "a terminal escape from the tracker, shown escaped";
  EXPECT_THAT(table.output, Not(HasSubstr("\x1b")));
}

TEST_F(BackupFolderTest, ARefreshKeepsIdsFlagsAndAnswersOfProgramsStillInstalled) {
  ASSERT_EQ(Hotsync("sync --handheld " + Folder().string()).status, 0);
  ASSERT_EQ(Hotsync("ignore --handheld " + Folder().string() + " StCh").status, 0);
  const auto skipped = Hotsync("skip --handheld " + Folder().string() + " TdTb");
  ASSERT_EQ(skipped.status, 0) << skipped.output;
  EXPECT_THAT(skipped.output, HasSubstr("Tide Tables Pro (TdTb): marked to be skipped"));
  const auto before = Catalogue();

  ASSERT_EQ(MakeFolder("upgraded"), 0);
  const auto refreshed = Hotsync("catalog --handheld " + Folder().string());
  ASSERT_EQ(refreshed.status, 0) << refreshed.output;
  EXPECT_THAT(refreshed.output, HasSubstr("8 programs, 1 added, 1 updated, 1 removed"));
  EXPECT_THAT(refreshed.output, HasSubstr("added Pocket Ledger"));
  EXPECT_THAT(refreshed.output, HasSubstr("updated Star Chart"));
  EXPECT_THAT(refreshed.output, HasSubstr("removed Word Hunt"));
  const auto synced = Hotsync("sync --handheld " + Folder().string());
  ASSERT_EQ(synced.status, 0) << synced.output;
  EXPECT_THAT(synced.output, HasSubstr("5 programs tracked, 1 with a newer version"))
      << "Star Chart is excluded, both Tide Tables skipped";

  const auto after = Catalogue();
  EXPECT_EQ(after.count("Word Hunt"), 0u);
  const Program& chart = after.at("Star Chart");
  EXPECT_EQ(chart.id, before.at("Star Chart").id);
  EXPECT_EQ(chart.installed, "2.1");
  EXPECT_EQ(chart.latest, "2.5") << "the answer of the last pass stays";
  EXPECT_EQ(chart.exclude, 1);
  EXPECT_EQ(after.at("Tide Tables").skip, 1);
  EXPECT_EQ(after.at("Tide Tables Pro").skip, 1);
  for (const auto& [name, program] : before) {
    if (name != "Word Hunt") {
      EXPECT_EQ(after.at(name).id, program.id) << name;
    }
    EXPECT_NE(after.at("Pocket Ledger").id, program.id) << "a new record gets an id of its own";
  }
  EXPECT_EQ(after.at("Pocket Ledger").altName, "Ledger");
}

TEST_F(BackupFolderTest, ProgramsShapedAsRealOnesAreCataloguedAndSettle) {
  ASSERT_EQ(MakeFolder("real"), 0);
  palm::Database cafe;
  cafe.SetName(
      "Caf\xE9 \x9B"
      "31m");
  cafe.attributes = palm::kAttributeResourceDb;
  cafe.type = palm::FourCCFromText("appl");
  cafe.creator = palm::FourCCFromText("CfLt");
  test::WriteDatabase(Folder() / "Cafe.prc", cafe);
  test::WriteText(Folder() / "Empty.pdb", "");
  test::WriteText(Folder() / "notes.txt", "not a database");
  const auto first = test::RunHotSync("catalog --handheld " + Folder().string(), "LC_ALL=C.UTF-8");
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_THAT(first.output, HasSubstr("added Caf\xC3\xA9 \\x9B31m")) << "Latin-1 shown as UTF-8, C1 controls escaped";
  EXPECT_THAT(first.output, HasSubstr((Folder() / "Empty.pdb").string() + ": shorter than a database header"));
  EXPECT_THAT(first.output, HasSubstr("1 file in " + Folder().string() + " without a .pdb or .prc ending passed over"));
  EXPECT_THAT(first.output, HasSubstr("PocketC 3.7.prc and " + (Folder() / "PocketC 7.1.prc").string() +
                                      " hold the same database \"PocketC\"; PocketC 7.1.prc is catalogued "
                                      "(modified later)"));
  EXPECT_THAT(first.output, HasSubstr("No Creator: its creator code is 00000000"));
  const auto programs = Catalogue();
  EXPECT_EQ(programs.at("Version One").installed, "3.2") << "tver 1, as build tools write it";
  EXPECT_EQ(programs.at("Version Two").installed, "4.0") << "the lowest id";
  EXPECT_EQ(programs.at("Blank First").installed, "1.5") << "a blank tver 1000 says nothing";
  EXPECT_EQ(programs.at("All Blank").installed, "6");
  EXPECT_EQ(programs.at("Trailing Bytes").installed, "2.2");
  EXPECT_EQ(programs.at("PocketC").installed, "7.1.4rt");
  EXPECT_EQ(programs.count("No Creator"), 0u);
  EXPECT_EQ(programs.at("A program whose name is 32 byte").creator, "Nm32");

  // The tracker's answer for the 32-byte name survives the next refresh.
  ASSERT_EQ(Hotsync("sync --handheld " + Folder().string()).status, 0);
  const auto answered = Catalogue().at("A program whose name is 32 byte").bytes;
  ASSERT_GT(answered.size(), layout::kWrittenLengthBase) << "the tracker's message";
  const auto again = Hotsync("catalog --handheld " + Folder().string());
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_THAT(again.output, HasSubstr("0 added, 0 updated, 0 removed"));
  EXPECT_EQ(Catalogue().at("A program whose name is 32 byte").bytes, answered);
}

TEST_F(BackupFolderTest, AProgramThatCannotBeReadKeepsItsRecordAndAReturningOneItsFlags) {
  ASSERT_EQ(Hotsync("sync --handheld " + Folder().string() + " --user Me").status, 0);
  ASSERT_EQ(Hotsync("ignore --handheld " + Folder().string() + " StCh WdHt").status, 0);
  ASSERT_EQ(Hotsync("sync --handheld " + Folder().string() + " --user Me").status, 0);
  const auto catalogue = test::ReadBytes(Folder() / "OQProgDB.pdb");

  // A damaged program file: its record stays byte for byte, the sync fails.
  auto chart = test::ReadBytes(Folder() / "StarChart.prc");
  const auto whole = chart;
  chart.resize(chart.size() - 20);
  chart[palm::kHeaderLength + 7] = 0xFF;  // the first resource's offset now points past the end
  test::WriteBytes(Folder() / "StarChart.prc", chart);
  const auto damaged = Hotsync("sync --handheld " + Folder().string() + " --user Me --force");
  EXPECT_EQ(damaged.status, 1) << damaged.output;
  EXPECT_THAT(damaged.output, HasSubstr("StarChart.prc"));
  EXPECT_THAT(damaged.output, HasSubstr("its catalogue record is kept as it was"));
  EXPECT_THAT(damaged.output, HasSubstr("1 program could not be read"));
  const auto kept = Catalogue();
  EXPECT_EQ(kept.at("Star Chart").exclude, 1);
  EXPECT_EQ(kept.at("Star Chart").latest, "2.5");
  test::WriteBytes(Folder() / "StarChart.prc", whole);

  // Word Hunt uninstalled, then back: its flag comes back from the desktop.
  const auto wordHunt = test::ReadBytes(Folder() / "WordHunt.prc");
  std::filesystem::remove(Folder() / "WordHunt.prc");
  const auto removed = Hotsync("catalog --handheld " + Folder().string() + " --user Me");
  ASSERT_EQ(removed.status, 0) << removed.output;
  EXPECT_THAT(removed.output, HasSubstr("removed Word Hunt"));
  test::WriteBytes(Folder() / "WordHunt.prc", wordHunt);
  const auto back = Hotsync("sync --handheld " + Folder().string() + " --user Me");
  ASSERT_EQ(back.status, 0) << back.output;
  EXPECT_EQ(Catalogue().at("Word Hunt").exclude, 1);
  EXPECT_EQ(Catalogue().at("Star Chart").exclude, 1);
}

TEST_F(BackupFolderTest, ACatalogueTheHandheldProgramWroteIsNeverMadeOver) {
  const auto handheld = work_.path() / "Sample";
  ASSERT_EQ(Hotsync("sample --handheld " + handheld.string()).status, 0);
  std::filesystem::copy_file(Folder() / "StarChart.prc", handheld / "StarChart.prc");
  const auto catalogue = test::ReadBytes(handheld / "OQProgDB.pdb");
  const auto outcome = Hotsync("catalog --handheld " + handheld.string());
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("made by the OrbitQuail handheld program; it is left as it is"));
  EXPECT_EQ(test::ReadBytes(handheld / "OQProgDB.pdb"), catalogue);
}

TEST_F(BackupFolderTest, FlagsForAnUnknownCreatorChangeNothing) {
  ASSERT_EQ(Hotsync("catalog --handheld " + Folder().string()).status, 0);
  const auto catalogue = test::ReadBytes(Folder() / "OQProgDB.pdb");
  const auto outcome = Hotsync("ignore --handheld " + Folder().string() + " StCh Nope");
  EXPECT_EQ(outcome.status, 2);
  EXPECT_THAT(outcome.output, HasSubstr("no program with the creator code \"Nope\""));
  EXPECT_EQ(test::ReadBytes(Folder() / "OQProgDB.pdb"), catalogue);
  EXPECT_EQ(Hotsync("unskip --handheld " + work_.path().string() + " StCh").status, 2) << "no catalogue there";
}

}  // namespace
}  // namespace oq
