#include "db_commands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "catalog.h"
#include "catalog_db.h"
#include "catalog_views.h"

namespace oq::tracker {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::unique_ptr<CatalogDb> OpenOrSay(const std::string& path, CatalogDb::Open how = CatalogDb::Open::kExisting) {
  if (path.empty()) {
    std::cerr << "oq-tracker: which catalogue? give --db FILE\n";
    return nullptr;
  }
  std::string error;
  auto db = CatalogDb::OpenFile(path, how, error);
  if (!db) std::cerr << "oq-tracker: " << error << "\n";
  if (db && db->upgradedFrom()) {
    std::cerr << "oq-tracker: " << path << " was upgraded from schema " << *db->upgradedFrom() << " to "
              << CatalogDb::kSchemaVersion << "\n";
  }
  return db;
}

int Failed(const Outcome& outcome, const std::string& path) {
  std::cerr << "oq-tracker: " << path << ": " << outcome.failure() << "; the catalogue is as it was\n";
  return kExitFailed;
}

}  // namespace

int RunDbInit(const std::string& path) {
  const bool existed = !path.empty() && std::filesystem::exists(path);
  auto db = OpenOrSay(path, CatalogDb::Open::kCreate);
  if (!db) return kExitUsage;
  if (existed) {
    std::cout << "oq-tracker: " << path << " is a catalogue of " << db->ProgramCount() << " programs already\n";
  } else {
    std::cout << "oq-tracker: made an empty catalogue at " << path << "\n";
  }
  return kExitOk;
}

int RunDbImport(const std::string& path, const std::string& tsv) {
  auto db = OpenOrSay(path);
  if (!db) return kExitUsage;
  std::string error;
  std::vector<std::string> problems;
  const auto catalog = Catalog::Load(tsv, error, problems);
  if (!catalog) problems.insert(problems.begin(), error);
  if (!problems.empty()) {
    for (const auto& problem : problems) std::cerr << "oq-tracker: " << problem << "\n";
    std::cerr << "oq-tracker: nothing was imported; mend the rows named and import again\n";
    return kExitUsage;
  }
  const auto rows = RowsOf(*catalog);
  if (auto imported = db->Import(rows); !imported.ok()) return Failed(imported, path);
  std::cout << "oq-tracker: imported " << rows.size() << " programs from " << tsv << "; the catalogue holds "
            << db->ProgramCount() << "\n";
  return kExitOk;
}

int RunDbExport(const std::string& path) {
  auto db = OpenOrSay(path);
  if (!db) return kExitUsage;
  std::cout << "creator\tversion\tdate\tmsg\n";
  for (const auto& row : db->Programs()) {
    std::cout << row.creator << '\t' << row.entry.version << '\t' << row.entry.date << '\t' << row.entry.msg << '\n';
  }
  return kExitOk;
}

int RunDbSet(const std::string& path, const std::string& creator, const std::string& version, const std::string& date,
             const std::string& msg) {
  const ProgramRow row{creator, {version, date, msg}};
  if (const auto problem = RowProblem(row); !problem.empty()) {
    std::cerr << "oq-tracker: " << problem << "; nothing was changed\n";
    return kExitUsage;
  }
  auto db = OpenOrSay(path);
  if (!db) return kExitUsage;
  if (auto set = db->Set(row); !set.ok()) return Failed(set, path);
  std::cout << "oq-tracker: " << creator << " is at version " << version << " of " << date << "\n";
  return kExitOk;
}

int RunDbRemove(const std::string& path, const std::string& creator) {
  auto db = OpenOrSay(path);
  if (!db) return kExitUsage;
  bool existed = false;
  if (auto removed = db->Remove(creator, existed); !removed.ok()) return Failed(removed, path);
  if (!existed) {
    std::cerr << "oq-tracker: the catalogue has no program " << creator << "\n";
    return kExitUsage;
  }
  std::cout << "oq-tracker: removed " << creator << "\n";
  return kExitOk;
}

int RunDbList(const std::string& path, bool json) {
  auto db = OpenOrSay(path);
  if (!db) return kExitUsage;
  const auto rows = db->Programs();
  if (json) {
    std::cout << ProgramsJson(rows);
    return kExitOk;
  }
  for (const auto& row : rows) {
    std::printf("%-4s  %-11s  %-10s  %s\n", row.creator.c_str(), row.entry.version.c_str(), row.entry.date.c_str(),
                row.entry.msg.c_str());
  }
  std::printf("%zu programs\n", rows.size());
  return kExitOk;
}

int RunUnknown(const std::string& path, size_t top, bool json) {
  auto db = OpenOrSay(path);
  if (!db) return kExitUsage;
  const auto rows = db->Unknown(top);
  if (json) {
    std::cout << UnknownJson(rows);
    return kExitOk;
  }
  if (rows.empty()) std::printf("no program was asked for that the catalogue lacks\n");
  for (const auto& row : rows) {
    std::printf("%8lld  %-4s  %-32s  %-11s  last asked %s\n", static_cast<long long>(row.count), row.creator.c_str(),
                row.name.c_str(), row.version.c_str(), UtcTime(row.lastSeen).c_str());
  }
  return kExitOk;
}

}  // namespace oq::tracker
