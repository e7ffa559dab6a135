#include "handheld_image.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "ascii_case.h"
#include "atomic_file.h"
#include "standin_errors.h"
#include "sync_manager.h"

namespace oq::standin {

namespace {

bool IsDatabaseFile(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), ascii::Lower);
  return extension == ".pdb" || extension == ".prc";
}

}  // namespace

std::vector<std::filesystem::path> HandheldImage::DatabaseFiles(std::vector<std::string>* problems) const {
  auto files = storage::RegularFiles(directory_, problems);
  std::erase_if(files, [](const std::filesystem::path& path) { return !IsDatabaseFile(path); });
  return files;
}

std::optional<palm::Database> HandheldImage::LoadHeader(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> header(palm::kHeaderLength);
  if (!in.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()))) {
    return std::nullopt;
  }
  return palm::ParseDatabaseHeader(header);
}

std::optional<std::filesystem::path> HandheldImage::FindDatabase(const std::string& name) const {
  for (const auto& path : DatabaseFiles()) {
    const auto header = LoadHeader(path);
    if (header && header->Name() == name) return path;
  }
  return std::nullopt;
}

LoadedDatabase HandheldImage::Load(const std::filesystem::path& path) {
  auto bytes = storage::ReadWholeFile(path);
  if (!bytes) return {std::nullopt, standin::kErrStorage, "cannot read " + path.string()};
  auto parsed = palm::ParseDatabase(*bytes);
  if (!parsed.database) {
    return {std::nullopt, standin::kErrDamagedDatabase, path.string() + ": " + palm::Describe(parsed.error)};
  }
  return {std::move(parsed.database), sync::kOk, {}};
}

Outcome HandheldImage::Save(const std::filesystem::path& path, const palm::Database& database) {
  const auto bytes = palm::SerializeDatabase(database);
  storage::RemoveLeftoverTemporaries(path);
  return storage::WriteFileAtomically(path, bytes, storage::FileAccess::kReadableByAll);
}

std::filesystem::path HandheldImage::PathForNewDatabase(const palm::Database& database) const {
  std::string fileName = database.Name();
  std::replace(fileName.begin(), fileName.end(), '/', '_');
  return directory_ / (fileName + (database.IsResourceDb() ? ".prc" : ".pdb"));
}

}  // namespace oq::standin
