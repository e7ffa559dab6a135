// Handheld images for tests: Palm database files written into a folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "palm_database.h"

namespace oq::test {

palm::Database MakeRecordDatabase(const std::string& name, const char* type, const char* creator,
                                  const std::vector<std::vector<uint8_t>>& records);
void WriteDatabase(const std::filesystem::path& path, const palm::Database& database);
palm::Database ReadDatabase(const std::filesystem::path& path);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A handheld with its memos and nothing else: the least a handheld's
// backup folder holds.
void WriteMemoDatabase(const std::filesystem::path& directory);

// "Saved Preferences.prc" in `directory` holding one preference of creator
// rkOQ, id 0: the big-endian version, then `preference`.
void WriteSavedPreferences(const std::filesystem::path& directory, const std::vector<uint8_t>& preference,
                           uint16_t version = 0x130);

}  // namespace oq::test
