#include "sample_handheld.h"

#include <cstring>
#include <iostream>

#include "byte_codec.h"
#include "commands.h"
#include "handheld_image.h"
#include "palm_database.h"
#include "palm_time.h"
#include "product.h"
#include "program_catalogue.h"
#include "program_record.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"

namespace oq::hotsync {

namespace {

std::vector<uint8_t> ProgramRecordBytes(const SampleProgram& program) {
  namespace layout = program_record;
  std::vector<uint8_t> record(layout::kWrittenLengthBase, 0);
  layout::Describe(record, {palm::FourCCFromText(program.type), palm::FourCCFromText(program.creator), program.name,
                            program.altName, program.installedVersion});
  record[layout::kSkipFlagOffset] = program.skip ? 1 : 0;
  record[layout::kExcludeFlagOffset] = program.exclude ? 1 : 0;
  return record;
}

}  // namespace

const std::vector<SampleProgram>& SamplePrograms() {
  static const std::vector<SampleProgram> programs = {
      {"appl", "qNte", "Quail Notes", "QNotes", "1.0", false, false},
      {"appl", "StCh", "Star Chart", "", "2.0", false, false},
      {"appl", "PkLd", "Pocket Ledger", "Ledger", "3.1", false, true},
      {"appl", "TdTb", "Tide Tables", "Tides", "0.9", true, false},
      {"appl", "WdHt", "Word Hunt", "", "1.2", false, false},
      {"libr", "MthL", "MathLib", "", "1.1", false, false},
  };
  return programs;
}

Outcome WriteSampleHandheld(const std::filesystem::path& directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) return Outcome::Failed("cannot create " + directory.string() + ": " + error.message());

  palm::Database catalogue;
  catalogue.SetName(cataloguer::kCatalogueName);
  catalogue.type = palm::FourCCFromText("DATA");
  catalogue.creator = palm::FourCCFromText(product::kCreatorText);
  catalogue.creationDate = catalogue.modificationDate = palm::PalmNow();
  uint32_t id = 0x8001;
  for (const auto& program : SamplePrograms()) catalogue.records.push_back({0, id++, ProgramRecordBytes(program)});
  catalogue.uniqueIdSeed = id;

  namespace pref = tracker_preference;
  namespace prefs = palm::saved_preferences;
  std::vector<uint8_t> preference(pref::kSize, 0);
  bytes::ByteWriter writer(preference);
  // Bytes the handheld program owns: a recognisable pattern.
  for (size_t i = 0; i < pref::kUseSkipFlagOffset; ++i) writer.U8(i, static_cast<uint8_t>(0xA0 + i % 16));
  writer.U8(pref::kUseSkipFlagOffset, 1);
  writer.U8(pref::kSize - 1, 0x5A);

  palm::Database preferences = prefs::NewDatabase(prefs::kSavedName, palm::PalmNow());
  preferences.resources.push_back(
      {palm::FourCCFromValue(pref::kCreator), pref::kPreferenceId, prefs::Encode(pref::kVersion, preference)});

  standin::HandheldImage image(directory);
  for (const auto* db : {&catalogue, &preferences}) {
    if (auto saved = standin::HandheldImage::Save(image.PathForNewDatabase(*db), *db); !saved.ok()) {
      return saved;
    }
  }
  return {};
}

Outcome WriteSampleBackupFolder(const std::filesystem::path& directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) return Outcome::Failed("cannot create " + directory.string() + ": " + error.message());
  const standin::HandheldImage image(directory);
  const auto text = [](const char* value) {
    std::vector<uint8_t> bytes(value, value + std::strlen(value) + 1);
    return bytes;
  };
  std::vector<palm::Database> databases;
  for (const auto& sample : SamplePrograms()) {
    palm::Database program;
    program.SetName(sample.name);
    program.attributes = palm::kAttributeResourceDb;
    program.version = 1;
    program.type = palm::FourCCFromText(sample.type);
    program.creator = palm::FourCCFromText(sample.creator);
    program.creationDate = program.modificationDate = palm::PalmNow();
    program.resources.push_back({palm::FourCCFromText("code"), 1, {0x4E, 0x75}});
    program.resources.push_back(
        {palm::FourCCFromText("tAIN"), 1000, text(*sample.altName ? sample.altName : sample.name)});
    program.resources.push_back({palm::FourCCFromText("tver"), 1000, text(sample.installedVersion)});
    databases.push_back(std::move(program));
  }
  palm::Database memos;
  memos.SetName("MemoDB");
  memos.type = palm::FourCCFromText("DATA");
  memos.creator = palm::FourCCFromText("memo");
  memos.uniqueIdSeed = 1;
  memos.records.push_back({0, 1, text("Ask the tracker about new versions")});
  databases.push_back(std::move(memos));
  for (const auto& database : databases) {
    if (auto saved = standin::HandheldImage::Save(image.PathForNewDatabase(database), database); !saved.ok()) {
      return saved;
    }
  }
  return {};
}

Outcome WriteSampleProgram(const std::filesystem::path& file) {
  std::error_code error;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
  if (error) return Outcome::Failed("cannot create " + file.parent_path().string() + ": " + error.message());
  palm::Database program;
  program.SetName("OrbitQuail");
  program.attributes = palm::kAttributeResourceDb;
  program.version = 1;
  program.type = palm::FourCCFromText("appl");
  program.creator = palm::FourCCFromText(product::kCreatorText);
  program.creationDate = program.modificationDate = palm::PalmNow();
  const std::string name = "OrbitQuail";
  program.resources.push_back({palm::FourCCFromText("tAIN"), 1000, {name.begin(), name.end()}});
  program.resources.push_back({palm::FourCCFromText("tver"), 1, {'1', '.', '3', '0', 0}});
  return standin::HandheldImage::Save(file, program);
}

int RunSample(const SampleOptions& options) {
  if (!options.handheld && !options.program && !options.backup) {
    std::cerr << "oq-hotsync: sample needs --handheld DIR, --backup DIR or --program FILE\n";
    return kExitUsage;
  }
  // A real handheld's catalogue is never overwritten by mistake.
  if (options.handheld && !options.force) {
    if (const auto catalogue = standin::HandheldImage(*options.handheld).FindDatabase(cataloguer::kCatalogueName)) {
      std::cerr << "oq-hotsync: " << options.handheld->string() << " already holds a catalogue ("
                << catalogue->filename().string() << "); sample would replace it: choose another folder, or "
                << "--force to replace it\n";
      return kExitUsage;
    }
  }
  using Writer = Outcome (*)(const std::filesystem::path&);
  struct Sample {
    const std::optional<std::filesystem::path>& target;
    Writer write;
    std::string what;
  };
  const std::string programs = std::to_string(SamplePrograms().size()) + " programs";
  const Sample samples[] = {
      {options.backup, WriteSampleBackupFolder, "a sample backup folder with " + programs + " (no catalogue yet)"},
      {options.handheld, WriteSampleHandheld, "a sample handheld with " + programs},
      {options.program, WriteSampleProgram, "a stand-in handheld program"},
  };
  for (const auto& sample : samples) {
    if (!sample.target) continue;
    if (const auto written = sample.write(*sample.target); !written.ok()) {
      std::cerr << "oq-hotsync: " << written.failure() << "\n";
      return kExitUsage;
    }
    std::cout << "Wrote " << sample.what << " to " << sample.target->string() << "\n";
  }
  return kExitOk;
}

}  // namespace oq::hotsync
