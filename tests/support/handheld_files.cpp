#include "handheld_files.h"

#include <fstream>
#include <stdexcept>

namespace oq::test {

palm::Database MakeRecordDatabase(const std::string& name, const char* type, const char* creator,
                                  const std::vector<std::vector<uint8_t>>& records) {
  palm::Database db;
  db.SetName(name);
  db.type = palm::FourCCFromText(type);
  db.creator = palm::FourCCFromText(creator);
  uint32_t id = 0x100;
  for (const auto& data : records) db.records.push_back({0, id++, data});
  db.uniqueIdSeed = id;
  return db;
}

void WriteDatabase(const std::filesystem::path& path, const palm::Database& database) {
  const auto bytes = palm::SerializeDatabase(database);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteMemoDatabase(const std::filesystem::path& directory) {
  std::filesystem::create_directories(directory);
  WriteDatabase(directory / "MemoDB.pdb", MakeRecordDatabase("MemoDB", "DATA", "memo", {{'m', 'e', 'm', 'o', 0}}));
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteSavedPreferences(const std::filesystem::path& directory, const std::vector<uint8_t>& preference,
                           uint16_t version) {
  palm::Database prefs;
  prefs.SetName("Saved Preferences");
  prefs.attributes = palm::kAttributeResourceDb;
  prefs.type = palm::FourCCFromText("sprf");
  prefs.creator = palm::FourCCFromText("psys");
  std::vector<uint8_t> data{static_cast<uint8_t>(version >> 8), static_cast<uint8_t>(version)};
  data.insert(data.end(), preference.begin(), preference.end());
  prefs.resources.push_back({palm::FourCCFromText("rkOQ"), 0, data});
  WriteDatabase(directory / "Saved Preferences.prc", prefs);
}

palm::Database ReadDatabase(const std::filesystem::path& path) {
  auto parsed = palm::ParseDatabase(ReadBytes(path));
  if (!parsed.database) throw std::runtime_error("cannot parse " + path.string());
  return std::move(*parsed.database);
}

}  // namespace oq::test
