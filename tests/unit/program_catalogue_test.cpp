// The cataloguer's rules without files: which databases are programs, how
// a program becomes a record, and what a refresh keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "byte_codec.h"
#include "installed_program.h"
#include "program_catalogue.h"
#include "program_record.h"
#include "remembered_flags.h"

namespace oq::cataloguer {
namespace {

using ::testing::ElementsAre;
namespace layout = program_record;

DatabaseSummary Summary(const char* type, const char* creator, bool resource = true) {
  return {"Name", palm::FourCCFromText(type), palm::FourCCFromText(creator),
          static_cast<uint16_t>(resource ? palm::kAttributeResourceDb : 0), 7};
}

InstalledProgram Installed(const std::string& name, const std::string& version = "1.0") {
  return {name, palm::FourCCFromText("appl"), palm::FourCCFromText("Abcd"), "", version};
}

std::string NameOf(const palm::Record& record) {
  return bytes::ByteReader(record.data).Text(layout::kProgramNameOffset, layout::kProgramNameLength);
}

TEST(ProgramCatalogueTest, ProgramsAreResourceDatabasesOfExecutableTypesButOurOwn) {
  for (const char* type : {"appl", "libr", "panl", "extn", "HACK", "DAcc", "exgl", "libs", "libf", "libt"}) {
    EXPECT_TRUE(IsProgram(Summary(type, "Abcd"))) << type;
  }
  EXPECT_FALSE(IsProgram(Summary("appl", "Abcd", false))) << "a record database";
  EXPECT_FALSE(IsProgram(Summary("ovly", "Abcd")));
  EXPECT_FALSE(IsProgram(Summary("sprf", "psys")));
  EXPECT_FALSE(IsProgram(Summary("appl", "rkOQ")));
}

TEST(ProgramCatalogueTest, DescriptionsAndTheirRecordBytes) {
  const uint8_t version[] = {'2', '.', '0', 0, 'x'};
  const uint8_t sameName[] = {'N', 'a', 'm', 'e', 0};
  const uint8_t otherName[] = {'S', 'h', 'o', 'r', 't'};  // no terminator: the resource ends it
  const std::span<const uint8_t> versions[] = {version};
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), versions, sameName).installedVersion, "2.0");
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), versions, sameName).altName, "");
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), {}, otherName).altName, "Short");
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), {}, std::nullopt).installedVersion, "7");

  InstalledProgram program = Installed(std::string(40, 'n'), "1.2.3.4.5.6.7");
  const auto record = NewProgramRecord(program);
  ASSERT_EQ(record.size(), layout::kSlotSize);
  bytes::ByteReader reader(record);
  EXPECT_EQ(reader.Text(layout::kProgramNameOffset, layout::kProgramNameLength), std::string(31, 'n'));
  EXPECT_EQ(reader.U8(layout::kProgramNameOffset + 31), 0) << "a terminator inside the field";
  EXPECT_EQ(reader.Text(layout::kInstalledVersionOffset, layout::kVersionLength), "1.2.3.4.5.6");
  EXPECT_EQ(std::count(record.begin() + layout::kLatestVersionOffset, record.end(), 0),
            static_cast<long>(layout::kSlotSize - layout::kLatestVersionOffset))
      << "nothing but the described fields is set";

  // What the conduit wrote back reads as people see it; a record cut inside
  // its fields reads as far as it goes.
  auto answered = record;
  const layout::Slot slot(answered.data(), layout::kSlotSize);
  layout::SetLatestVersion(slot, "1.3");
  layout::SetReleaseDate(slot, {26, 10, 2, 0});
  layout::SetMessage(slot, "Faster");
  answered[layout::kExcludeFlagOffset] = 1;
  const auto fields = layout::Read(answered);
  EXPECT_EQ(fields.latestVersion, "1.3");
  EXPECT_EQ(fields.releaseDate, "2026-10-02");
  EXPECT_EQ(fields.message, "Faster");
  EXPECT_TRUE(fields.exclude);
  EXPECT_FALSE(fields.skip);
  const auto cut = layout::Read(std::span(answered).first(layout::kReleaseDateOffset + 2));
  EXPECT_EQ(cut.latestVersion, "1.3");
  EXPECT_EQ(cut.releaseDate, "") << "a date without its day";
  EXPECT_FALSE(cut.exclude);
}

palm::Resource Version(uint16_t id, std::string_view text) {
  return {palm::FourCCFromText("tver"), id, std::vector<uint8_t>(text.begin(), text.end())};
}

TEST(ProgramCatalogueTest, TheVersionComesFromTheFirstResourceThatSaysOneElseTheHeader) {
  palm::Database file;
  file.resources = {Version(5, "5.0"),
                    {palm::FourCCFromText("code"), 1, {1}},
                    Version(2, std::string("2.0\0", 4)),
                    Version(1000, std::string(" \0", 2))};
  const auto ordered = VersionResources(file);
  ASSERT_EQ(ordered.size(), 3u);
  EXPECT_EQ(ordered[0].size(), 2u) << "id 1000 first, then by rising id";
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), ordered, std::nullopt).installedVersion, "2.0")
      << "a blank resource says nothing";

  file.resources.push_back(Version(1000, "3.1\r\n(c) 2003"));
  file.resources.erase(file.resources.begin() + 3);
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), VersionResources(file), std::nullopt).installedVersion, "3.1")
      << "cut at the first control byte";
  const std::span<const uint8_t> blank[] = {{}, {}};
  EXPECT_EQ(DescribeProgram(Summary("appl", "Abcd"), blank, std::nullopt).installedVersion, "7");
}

TEST(ProgramCatalogueTest, WhatCouldNotBeReadKeepsItsRecordAndReturningProgramsGetTheirFlagsBack) {
  const std::string longName(32, 'L');  // fills the header's field, without a terminator
  auto first = RefreshCatalogue(std::nullopt, {Installed("kept"), Installed("gone"), Installed(longName)}, 100);
  palm::Database stored = first.database;
  for (auto& record : stored.records) record.data[layout::kExcludeFlagOffset] = 1;
  bytes::ByteWriter(stored.records[1].data).Text(layout::kLatestVersionOffset, layout::kVersionLength, "9.9");

  const auto again = RefreshCatalogue(stored, {Installed(longName)}, 200, {{"kept"}, nullptr});
  EXPECT_THAT(again.changes.removed, ElementsAre("gone"));
  EXPECT_TRUE(again.changes.added.empty()) << "a 32-byte name is the record's 31 bytes";
  ASSERT_EQ(again.database.records.size(), 2u);
  EXPECT_EQ(again.database.records[0].data, stored.records[1].data) << "\"kept\" could not be read: as it was";

  RememberedFlags remembered;
  remembered.Remember(stored);
  remembered.Remember(again.database);
  const auto back =
      RefreshCatalogue(again.database, {Installed("gone"), Installed("kept", "2.0")}, 300, {{}, &remembered});
  EXPECT_THAT(back.changes.added, ElementsAre("gone"));
  for (const auto& record : back.database.records)
    EXPECT_EQ(record.data[layout::kExcludeFlagOffset], 1) << NameOf(record);
}

TEST(ProgramCatalogueTest, RememberedFlagsSurviveTheirFileWhateverTheNames) {
  palm::Database catalogue;
  InstalledProgram odd = Installed(std::string("tab\there\nnew\\line\x1b\xe9", 17));
  odd.creator = {0, 'a', '\t', 0xFF};
  catalogue.records.push_back({0, 1, NewProgramRecord(odd)});
  catalogue.records.push_back({0, 2, NewProgramRecord(Installed("plain"))});
  catalogue.records.push_back({0, 3, NewProgramRecord(Installed("unflagged"))});
  catalogue.records[0].data[layout::kSkipFlagOffset] = 1;
  catalogue.records[1].data[layout::kExcludeFlagOffset] = 2;
  RememberedFlags remembered;
  remembered.Remember(catalogue);

  const std::string text = remembered.Serialize();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
  const auto parsed = RememberedFlags::Parse(text + "garbage\tline\nXYZW\tname\t1\n\\q\tname\t1\t1\n");
  EXPECT_EQ(parsed.Serialize(), text) << "lines that do not read are passed over";
  EXPECT_EQ(parsed.Find(odd.creator, odd.name), (ProgramFlags{1, 0}));
  EXPECT_EQ(parsed.Find(palm::FourCCFromText("Abcd"), "plain"), (ProgramFlags{0, 2}));
  EXPECT_FALSE(parsed.Find(palm::FourCCFromText("Abcd"), "unflagged"));

  catalogue.records[1].data[layout::kExcludeFlagOffset] = 0;
  catalogue.records.erase(catalogue.records.begin());
  remembered.Remember(catalogue);
  EXPECT_FALSE(remembered.Find(palm::FourCCFromText("Abcd"), "plain")) << "cleared by the user: forgotten";
  EXPECT_TRUE(remembered.Find(odd.creator, odd.name)) << "no record: still remembered";
}

TEST(ProgramCatalogueTest, RefreshKeepsOrderIdsAndUnownedBytesAndWritesOnlyWhenSomethingChanged) {
  auto first = RefreshCatalogue(std::nullopt, {Installed("beta"), Installed("Alpha"), Installed("gamma")}, 100);
  EXPECT_TRUE(first.changed);
  EXPECT_TRUE(IsDesktopCatalogue(first.database));
  ASSERT_EQ(first.database.records.size(), 3u);
  EXPECT_EQ(NameOf(first.database.records[0]), "Alpha") << "by name, without regard to case";
  EXPECT_EQ(NameOf(first.database.records[1]), "beta");

  // The conduit's answer and a flag in "beta", then the same programs again.
  palm::Database stored = first.database;
  bytes::ByteWriter(stored.records[1].data).Text(layout::kLatestVersionOffset, layout::kVersionLength, "9.9");
  stored.records[1].data[layout::kExcludeFlagOffset] = 1;
  stored.records[1].data.resize(layout::kWrittenLengthBase + 3);
  const auto same = RefreshCatalogue(stored, {Installed("gamma"), Installed("beta"), Installed("Alpha")}, 200);
  EXPECT_FALSE(same.changed) << "nothing to write";
  EXPECT_EQ(same.database.records[1].data, stored.records[1].data);

  const auto next = RefreshCatalogue(stored, {Installed("beta", "2.0"), Installed("delta"), Installed("delta")}, 300);
  EXPECT_TRUE(next.changed);
  EXPECT_THAT(next.changes.added, ElementsAre("delta")) << "a second file of one database counts once";
  EXPECT_THAT(next.changes.updated, ElementsAre("beta"));
  EXPECT_THAT(next.changes.removed, ElementsAre("Alpha", "gamma"));
  ASSERT_EQ(next.database.records.size(), 2u);
  const auto& beta = next.database.records[0];
  EXPECT_EQ(beta.uniqueId, stored.records[1].uniqueId);
  EXPECT_EQ(beta.data.size(), layout::kWrittenLengthBase + 3) << "the record keeps its length";
  bytes::ByteReader reader(beta.data);
  EXPECT_EQ(reader.Text(layout::kLatestVersionOffset, layout::kVersionLength), "9.9");
  EXPECT_EQ(reader.Text(layout::kInstalledVersionOffset, layout::kVersionLength), "2.0");
  EXPECT_EQ(reader.U8(layout::kExcludeFlagOffset), 1);
  EXPECT_NE(next.database.records[1].uniqueId, 0u);
  for (const auto& record : stored.records) EXPECT_NE(next.database.records[1].uniqueId, record.uniqueId);
  EXPECT_EQ(next.database.modificationNumber, stored.modificationNumber + 1);
}

}  // namespace
}  // namespace oq::cataloguer
