// Test helper for the interoperability check:
//   pdb_tool dump FILE      the file as our codec reads it, one fact a line
//   pdb_tool modify DIR     changes "Interop" and a preference through the
//                           Sync Manager stand-in, as a conduit would
#include <cstdio>
#include <cstring>
#include <string>

#include "atomic_file.h"
#include "handheld_host.h"
#include "palm_database.h"
#include "sync_manager.h"

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char pair[3];
  for (uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text.empty() ? "-" : text;
}

int Dump(const char* path) {
  auto bytes = oq::storage::ReadWholeFile(path);
  if (!bytes) return 2;
  auto parsed = oq::palm::ParseDatabase(*bytes);
  if (!parsed.database) {
    std::fprintf(stderr, "%s\n", oq::palm::Describe(parsed.error));
    return 1;
  }
  const auto& db = *parsed.database;
  std::printf("name %s\n", db.Name().c_str());
  std::printf("attributes %u version %u\n", db.attributes, db.version);
  std::printf("type %s creator %s seed %u\n", oq::palm::FourCCText(db.type).c_str(),
              oq::palm::FourCCText(db.creator).c_str(), db.uniqueIdSeed);
  std::printf("appinfo %s\n", db.appInfo ? Hex(*db.appInfo).c_str() : "none");
  std::printf("sortinfo %s\n", db.sortInfo ? Hex(*db.sortInfo).c_str() : "none");
  for (const auto& record : db.records) {
    std::printf("record %u %u %s\n", record.attributes, record.uniqueId, Hex(record.data).c_str());
  }
  for (const auto& resource : db.resources) {
    std::printf("resource %s %u %s\n", oq::palm::FourCCText(resource.type).c_str(), resource.id,
                Hex(resource.data).c_str());
  }
  return 0;
}

int Modify(const char* directory) {
  oq::handheld_host::BeginSync(directory);
  uint8_t handle = 0;
  if (SyncOpenDB("Interop", 0, &handle, 0xD0) != 0) return 1;
  uint8_t buffer[64] = {};
  RawRecordDescriptor record{};
  record.dbHandle = handle;
  record.bufferSize = sizeof buffer;
  record.buffer = buffer;
  if (SyncReadRecordByIndex(&record) != 0) return 1;
  const char replacement[] = "replaced";
  std::memcpy(buffer, replacement, sizeof replacement);
  record.recordSize = sizeof replacement;
  if (SyncWriteRec(&record) != 0) return 1;

  RawRecordDescriptor added{};
  added.dbHandle = handle;
  added.category = 3;
  added.recordSize = 3;
  added.bufferSize = 3;
  added.buffer = buffer;
  if (SyncWriteRec(&added) != 0) return 1;
  if (SyncCloseDB(handle) != 0) return 1;

  uint8_t preference[4] = {0xCA, 0xFE, 0x00, 0x01};
  PreferenceParameterBlock block{};
  block.version = 0x130;
  block.creator = 0x726B4F51;
  block.backedUp = 1;
  block.bufferSize = sizeof preference;
  block.buffer = preference;
  return SyncWriteAppPreference(&block) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "dump") == 0) return Dump(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "modify") == 0) return Modify(argv[2]);
  std::fprintf(stderr, "usage: pdb_tool dump FILE | modify DIR\n");
  return 2;
}
