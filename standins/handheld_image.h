// A handheld as a directory of Palm database files, one file per database,
// the way Palm backup folders store them: "<name>.pdb" or "<name>.prc".
// Databases are found by the name in their header, so files written by
// other tools open whatever their file name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "outcome.h"
#include "palm_database.h"

namespace oq::standin {

struct LoadedDatabase {
  std::optional<palm::Database> database;
  int32_t error = 0;   // a Sync Manager code when database is empty
  std::string detail;  // what was wrong with the file, for people
};

class HandheldImage {
 public:
  explicit HandheldImage(std::filesystem::path directory) : directory_(std::move(directory)) {}

  const std::filesystem::path& directory() const { return directory_; }

  // The .pdb and .prc files, in order of their paths; see RegularFiles.
  std::vector<std::filesystem::path> DatabaseFiles(std::vector<std::string>* problems = nullptr) const;
  std::optional<std::filesystem::path> FindDatabase(const std::string& name) const;
  static LoadedDatabase Load(const std::filesystem::path& path);
  // The header's fields alone; none when the file is shorter than a header.
  static std::optional<palm::Database> LoadHeader(const std::filesystem::path& path);
  // Atomic replace; returns an empty string, or what failed.
  static Outcome Save(const std::filesystem::path& path, const palm::Database& database);
  std::filesystem::path PathForNewDatabase(const palm::Database& database) const;

 private:
  std::filesystem::path directory_;
};

}  // namespace oq::standin
