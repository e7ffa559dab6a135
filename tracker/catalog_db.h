// The tracker's catalogue as an SQLite database: the programs it answers
// for, the changes maintainers made, and the programs handhelds asked about
// that it does not know. WAL mode, so a server answering queries never
// waits for a maintainer's write, and a write is whole or not there at all
// even when the writer is killed. The file's schema version is its
// user_version; an older file is upgraded step by step when opened.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog.h"
#include "outcome.h"

struct sqlite3;
struct sqlite3_stmt;

namespace oq::tracker {

struct ProgramRow {
  std::string creator;
  CatalogEntry entry;
};

struct ChangeRow {
  int64_t at = 0;  // Unix seconds
  std::string creator;
  std::string version;  // empty for a removal
  bool removed = false;
};

// Questions for a program the catalogue lacks: creator, name and version
// as asked, cut to the record's widths and escaped.
struct UnknownRow {
  std::string creator, name, version;  // the version last asked with
  int64_t count = 0;
  int64_t firstSeen = 0, lastSeen = 0;  // Unix seconds
};

class CatalogDb {
 public:
  // The schema this build writes; files of every earlier one are upgraded.
  static constexpr int kSchemaVersion = 2;

  enum class Open { kExisting, kCreate, kMemory };
  // Empty, with `error` saying what to do, when the file is missing (for
  // kExisting), is no catalogue of ours, or comes from a newer oq-tracker.
  static std::unique_ptr<CatalogDb> OpenFile(const std::string& path, Open how, std::string& error);
  ~CatalogDb();
  CatalogDb(const CatalogDb&) = delete;
  CatalogDb& operator=(const CatalogDb&) = delete;

  // What the file was upgraded from when opened; none when it was current.
  std::optional<int> upgradedFrom() const { return upgradedFrom_; }

  std::optional<CatalogEntry> Find(const std::string& creator);
  size_t ProgramCount();
  std::vector<ProgramRow> Programs();

  // Each change is one transaction; a program added stops being unknown.
  Outcome Set(const ProgramRow& row);
  Outcome Remove(const std::string& creator, bool& existed);
  // All the rows or none of them.
  Outcome Import(const std::vector<ProgramRow>& rows);

  std::vector<ChangeRow> RecentChanges(size_t count);
  std::vector<UnknownRow> Unknown(size_t top);
  // Adds the asks to the counts in one transaction; `wait` false fails at
  // once when a maintainer's write holds the file, and nothing is counted.
  // Asks for programs the catalogue has by now are passed over.
  Outcome CountUnknown(const std::vector<UnknownRow>& asks, bool wait);

 private:
  explicit CatalogDb(sqlite3* db) : db_(db) {}
  Outcome Upgrade(bool created);
  // An integer pragma's value; -1 when the file cannot be read as SQLite.
  int Pragma(const char* name);
  Outcome Execute(const char* sql);
  Outcome InTransaction(const std::function<Outcome()>& work);
  Outcome Failure(const std::string& doing) const;
  sqlite3_stmt* Prepared(const char* sql);

  sqlite3* db_;
  std::vector<std::pair<const char*, sqlite3_stmt*>> statements_;
  std::optional<int> upgradedFrom_;
};

// A catalogue file's programs, to import.
std::vector<ProgramRow> RowsOf(const Catalog& catalog);

// Rows refused for the catalogue: a creator code not of four characters,
// or a version or date the conduit would misread. Empty when sound.
std::string RowProblem(const ProgramRow& row);

}  // namespace oq::tracker
