#include "sample_handheld.h"

#include <cstring>
#include <iostream>

#include "commands.h"

#include "byte_codec.h"
#include "handheld_image.h"
#include "palm_database.h"
#include "palm_time.h"
#include "program_record.h"
#include "tracker_preference_layout.h"

namespace oq::hotsync {

namespace {

std::vector<uint8_t> ProgramRecordBytes(const SampleProgram& program) {
  namespace layout = program_record;
  std::vector<uint8_t> record(layout::kWrittenLengthBase, 0);
  bytes::ByteWriter writer(record);
  auto text = [&](size_t offset, const char* value, size_t room) {
    const size_t length = std::min(std::strlen(value), room);
    writer.Bytes(offset, {reinterpret_cast<const uint8_t*>(value), length});
  };
  text(layout::kTypeCodeOffset, program.type, layout::kCodeLength);
  text(layout::kCreatorCodeOffset, program.creator, layout::kCodeLength);
  text(layout::kProgramNameOffset, program.name, layout::kProgramNameLength - 1);
  text(layout::kAltNameOffset, program.altName, layout::kAltNameLength - 1);
  text(layout::kInstalledVersionOffset, program.installedVersion, layout::kVersionLength - 1);
  writer.U8(layout::kSkipFlagOffset, program.skip ? 1 : 0);
  writer.U8(layout::kExcludeFlagOffset, program.exclude ? 1 : 0);
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

std::string WriteSampleHandheld(const std::filesystem::path& directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) return "cannot create " + directory.string() + ": " + error.message();

  palm::Database catalogue;
  catalogue.SetName("OQProgDB");
  catalogue.type = palm::FourCCFromText("DATA");
  catalogue.creator = palm::FourCCFromText("rkOQ");
  catalogue.creationDate = catalogue.modificationDate = palm::PalmNow();
  uint32_t id = 0x8001;
  for (const auto& program : SamplePrograms()) catalogue.records.push_back({0, id++, ProgramRecordBytes(program)});
  catalogue.uniqueIdSeed = id;

  namespace pref = tracker_preference;
  std::vector<uint8_t> preference(2 + pref::kSize, 0);
  bytes::ByteWriter writer(preference);
  writer.U16Be(0, pref::kVersion);
  // Bytes the handheld program owns: a recognisable pattern.
  for (size_t i = 0; i < pref::kUseSkipFlagOffset; ++i) writer.U8(2 + i, static_cast<uint8_t>(0xA0 + i % 16));
  writer.U8(2 + pref::kUseSkipFlagOffset, 1);
  writer.U8(2 + pref::kSize - 1, 0x5A);

  palm::Database preferences;
  preferences.SetName("Saved Preferences");
  preferences.attributes = palm::kAttributeResourceDb;
  preferences.type = palm::FourCCFromText("sprf");
  preferences.creator = palm::FourCCFromText("psys");
  preferences.resources.push_back({palm::FourCCFromText("rkOQ"), pref::kPreferenceId, preference});

  posix::HandheldImage image(directory);
  for (const auto* db : {&catalogue, &preferences}) {
    if (posix::HandheldImage::Save(image.PathForNewDatabase(*db), *db) != 0) {
      return "cannot write " + image.PathForNewDatabase(*db).string();
    }
  }
  return {};
}

std::string WriteSampleProgram(const std::filesystem::path& file) {
  std::error_code error;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
  if (error) return "cannot create " + file.parent_path().string() + ": " + error.message();
  palm::Database program;
  program.SetName("OrbitQuail");
  program.attributes = palm::kAttributeResourceDb;
  program.version = 1;
  program.type = palm::FourCCFromText("appl");
  program.creator = palm::FourCCFromText("rkOQ");
  program.creationDate = program.modificationDate = palm::PalmNow();
  const std::string name = "OrbitQuail";
  program.resources.push_back({palm::FourCCFromText("tAIN"), 1000, {name.begin(), name.end()}});
  program.resources.push_back({palm::FourCCFromText("tver"), 1, {'1', '.', '3', '0', 0}});
  if (posix::HandheldImage::Save(file, program) != 0) return "cannot write " + file.string();
  return {};
}

int RunSample(const SampleOptions& options) {
  if (!options.handheld && !options.program) {
    std::cerr << "oq-hotsync: sample needs --handheld DIR, --program FILE or both\n";
    return kExitUsage;
  }
  if (options.handheld) {
    if (const std::string error = WriteSampleHandheld(*options.handheld); !error.empty()) {
      std::cerr << "oq-hotsync: " << error << "\n";
      return kExitUsage;
    }
    std::cout << "Wrote a sample handheld with " << SamplePrograms().size() << " programs to "
              << options.handheld->string() << "\n";
  }
  if (options.program) {
    if (const std::string error = WriteSampleProgram(*options.program); !error.empty()) {
      std::cerr << "oq-hotsync: " << error << "\n";
      return kExitUsage;
    }
    std::cout << "Wrote a stand-in handheld program to " << options.program->string() << "\n";
  }
  return kExitOk;
}

}  // namespace oq::hotsync
