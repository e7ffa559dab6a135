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

}  // namespace oq::test
