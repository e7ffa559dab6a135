#include "catalog_db.h"

#include <sqlite3.h>

#include <ctime>
#include <filesystem>
#include <iterator>

namespace oq::tracker {

namespace {

// Marks the file as an oq-tracker catalogue ("OQTR").
constexpr int kApplicationId = 0x4F515452;

// Each step takes a file of the version before it to the next.
constexpr const char* kUpgrades[] = {
    // 1: the programs.
    "CREATE TABLE programs(creator TEXT PRIMARY KEY, version TEXT NOT NULL, date TEXT NOT NULL,"
    " msg TEXT NOT NULL) WITHOUT ROWID;",
    // 2: what maintainers changed, and what handhelds asked for in vain.
    "CREATE TABLE changes(id INTEGER PRIMARY KEY, at INTEGER NOT NULL, creator TEXT NOT NULL,"
    " version TEXT NOT NULL, removed INTEGER NOT NULL);"
    "CREATE TABLE unknown(creator TEXT NOT NULL, name TEXT NOT NULL, version TEXT NOT NULL,"
    " count INTEGER NOT NULL, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,"
    " PRIMARY KEY(creator, name)) WITHOUT ROWID;"
    "CREATE INDEX unknown_by_count ON unknown(count DESC);",
};
static_assert(std::size(kUpgrades) == CatalogDb::kSchemaVersion);

// The unknown programs a database keeps at most: a client that asks for
// ever new names cannot grow the file without bound.
constexpr int64_t kMaxUnknownRows = 10000;

std::string Text(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement, column)) : "";
}

void Bind(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// Runs a prepared statement to its end, reset for the next use.
class Step {
 public:
  explicit Step(sqlite3_stmt* statement) : statement_(statement) {}
  ~Step() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  bool Row() { return (result_ = sqlite3_step(statement_)) == SQLITE_ROW; }
  bool Done() {
    while (Row()) {
    }
    return result_ == SQLITE_DONE;
  }

 private:
  sqlite3_stmt* statement_;
  int result_ = SQLITE_OK;
};

}  // namespace

std::vector<ProgramRow> RowsOf(const Catalog& catalog) {
  std::vector<ProgramRow> rows;
  rows.reserve(catalog.size());
  for (const auto& [creator, entry] : catalog.entries()) rows.push_back({creator, entry});
  return rows;
}

std::string RowProblem(const ProgramRow& row) {
  for (const auto* field : {&row.creator, &row.entry.version, &row.entry.date, &row.entry.msg}) {
    if (field->find_first_of("\t\r\n") != std::string::npos) return "a field holds a tab or a line break";
  }
  if (row.creator.size() != 4) return "the creator code \"" + row.creator + "\" is not four characters";
  if (!IsCatalogDate(row.entry.date)) return "\"" + row.entry.date + "\" is not a date (YYYY/MM/DD)";
  if (!IsDottedVersion(row.entry.version)) {
    return "the version \"" + row.entry.version + "\" is not dotted numbers (such as 2.4)";
  }
  return {};
}

std::unique_ptr<CatalogDb> CatalogDb::OpenFile(const std::string& path, Open how, std::string& error) {
  const bool exists = how != Open::kMemory && std::filesystem::exists(path);
  if (how == Open::kExisting && !exists) {
    error = "there is no catalogue at " + path + "; make one with `oq-tracker db init --db " + path + "`";
    return nullptr;
  }
  sqlite3* handle = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(how == Open::kMemory ? ":memory:" : path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
    error = "cannot open " + path + ": " + (handle ? sqlite3_errmsg(handle) : "out of memory");
    sqlite3_close(handle);
    return nullptr;
  }
  std::unique_ptr<CatalogDb> db(new CatalogDb(handle));
  // A maintainer's write waits this long for another's to end.
  sqlite3_busy_timeout(handle, 5000);
  if (auto upgraded = db->Upgrade(!exists); !upgraded.ok()) {
    error = path + ": " + upgraded.failure();
    return nullptr;
  }
  return db;
}

CatalogDb::~CatalogDb() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  sqlite3_close(db_);
}

Outcome CatalogDb::Failure(const std::string& doing) const {
  return Outcome::Failed(doing + ": " + sqlite3_errmsg(db_));
}

Outcome CatalogDb::Execute(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return {};
  Outcome failed = Outcome::Failed(message ? message : sqlite3_errmsg(db_));
  sqlite3_free(message);
  return failed;
}

sqlite3_stmt* CatalogDb::Prepared(const char* sql) {
  for (auto& [known, statement] : statements_) {
    if (known == sql) return statement;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) return nullptr;
  statements_.emplace_back(sql, statement);
  return statement;
}

Outcome CatalogDb::InTransaction(const std::function<Outcome()>& work) {
  if (auto begun = Execute("BEGIN IMMEDIATE"); !begun.ok()) return begun;
  Outcome done = work();
  if (done.ok()) done = Execute("COMMIT");
  if (!done.ok()) (void)Execute("ROLLBACK");  // a commit that failed leaves the transaction open
  return done;
}

int CatalogDb::Pragma(const char* name) {
  sqlite3_stmt* pragma = nullptr;
  int value = -1;
  if (sqlite3_prepare_v2(db_, (std::string("PRAGMA ") + name).c_str(), -1, &pragma, nullptr) == SQLITE_OK &&
      sqlite3_step(pragma) == SQLITE_ROW) {
    value = sqlite3_column_int(pragma, 0);
  }
  sqlite3_finalize(pragma);
  return value;
}

Outcome CatalogDb::Upgrade(bool created) {
  const int id = Pragma("application_id"), version = Pragma("user_version");
  if (id < 0) return Outcome::Failed("is not an oq-tracker catalogue (" + std::string(sqlite3_errmsg(db_)) + ")");
  if (!created && id != kApplicationId) return Outcome::Failed("is not an oq-tracker catalogue");
  if (version > kSchemaVersion) {
    return Outcome::Failed("was written by a newer oq-tracker (schema " + std::to_string(version) +
                           "; this one knows " + std::to_string(kSchemaVersion) + ")");
  }
  // The whole catalogue stays in the page cache (64 MiB at most): a query
  // then reads no page from the file, unless a maintainer changed it.
  if (auto wal = Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-65536"); !wal.ok())
    return wal;
  if (version == kSchemaVersion) return {};
  return InTransaction([&]() -> Outcome {
    // Another process may have upgraded the file while this one waited.
    const int current = Pragma("user_version");
    if (current == kSchemaVersion) return {};
    if (!created) upgradedFrom_ = current;
    for (int step = current; step < kSchemaVersion; ++step) {
      if (auto done = Execute(kUpgrades[step]); !done.ok()) {
        return Outcome::Failed("upgrading to schema " + std::to_string(step + 1) + ": " + done.failure());
      }
    }
    const std::string stamp = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                              "; PRAGMA user_version=" + std::to_string(kSchemaVersion);
    return Execute(stamp.c_str());
  });
}

std::optional<CatalogEntry> CatalogDb::Find(const std::string& creator) {
  auto* statement = Prepared("SELECT version, date, msg FROM programs WHERE creator = ?");
  if (!statement) return std::nullopt;
  Step step(statement);
  Bind(statement, 1, creator);
  if (!step.Row()) return std::nullopt;
  return CatalogEntry{Text(statement, 0), Text(statement, 1), Text(statement, 2)};
}

size_t CatalogDb::ProgramCount() {
  auto* statement = Prepared("SELECT count(*) FROM programs");
  Step step(statement);
  return step.Row() ? static_cast<size_t>(sqlite3_column_int64(statement, 0)) : 0;
}

std::vector<ProgramRow> CatalogDb::Programs() {
  std::vector<ProgramRow> rows;
  auto* statement = Prepared("SELECT creator, version, date, msg FROM programs ORDER BY creator");
  Step step(statement);
  while (step.Row()) {
    rows.push_back({Text(statement, 0), {Text(statement, 1), Text(statement, 2), Text(statement, 3)}});
  }
  return rows;
}

Outcome CatalogDb::Set(const ProgramRow& row) { return Import({row}); }

Outcome CatalogDb::Import(const std::vector<ProgramRow>& rows) {
  return InTransaction([&]() -> Outcome {
    auto* upsert = Prepared(
        "INSERT INTO programs(creator, version, date, msg) VALUES(?, ?, ?, ?) ON CONFLICT(creator) DO UPDATE SET "
        "version = excluded.version, date = excluded.date, msg = excluded.msg");
    auto* change = Prepared("INSERT INTO changes(at, creator, version, removed) VALUES(?, ?, ?, 0)");
    auto* known = Prepared("DELETE FROM unknown WHERE creator = ?");
    const int64_t now = Now();
    for (const auto& row : rows) {
      Step setting(upsert), noting(change), forgetting(known);
      Bind(upsert, 1, row.creator), Bind(upsert, 2, row.entry.version), Bind(upsert, 3, row.entry.date);
      Bind(upsert, 4, row.entry.msg);
      sqlite3_bind_int64(change, 1, now), Bind(change, 2, row.creator), Bind(change, 3, row.entry.version);
      Bind(known, 1, row.creator);
      if (!setting.Done() || !noting.Done() || !forgetting.Done()) return Failure("writing " + row.creator);
    }
    return Outcome{};
  });
}

Outcome CatalogDb::Remove(const std::string& creator, bool& existed) {
  existed = false;
  return InTransaction([&]() -> Outcome {
    auto* remove = Prepared("DELETE FROM programs WHERE creator = ?");
    Step removing(remove);
    Bind(remove, 1, creator);
    if (!removing.Done()) return Failure("removing " + creator);
    existed = sqlite3_changes(db_) > 0;
    if (!existed) return Outcome{};
    auto* change = Prepared("INSERT INTO changes(at, creator, version, removed) VALUES(?, ?, '', 1)");
    Step noting(change);
    sqlite3_bind_int64(change, 1, Now()), Bind(change, 2, creator);
    return noting.Done() ? Outcome{} : Failure("noting the removal of " + creator);
  });
}

std::vector<ChangeRow> CatalogDb::RecentChanges(size_t count) {
  std::vector<ChangeRow> rows;
  auto* statement = Prepared("SELECT at, creator, version, removed FROM changes ORDER BY id DESC LIMIT ?");
  Step step(statement);
  sqlite3_bind_int64(statement, 1, static_cast<int64_t>(count));
  while (step.Row()) {
    rows.push_back({sqlite3_column_int64(statement, 0), Text(statement, 1), Text(statement, 2),
                    sqlite3_column_int(statement, 3) != 0});
  }
  return rows;
}

std::vector<UnknownRow> CatalogDb::Unknown(size_t top) {
  std::vector<UnknownRow> rows;
  auto* statement = Prepared(
      "SELECT creator, name, version, count, first_seen, last_seen FROM unknown "
      "ORDER BY count DESC, last_seen DESC, creator, name LIMIT ?");
  Step step(statement);
  sqlite3_bind_int64(statement, 1, static_cast<int64_t>(top));
  while (step.Row()) {
    rows.push_back({Text(statement, 0), Text(statement, 1), Text(statement, 2), sqlite3_column_int64(statement, 3),
                    sqlite3_column_int64(statement, 4), sqlite3_column_int64(statement, 5)});
  }
  return rows;
}

Outcome CatalogDb::CountUnknown(const std::vector<UnknownRow>& asks, bool wait) {
  sqlite3_busy_timeout(db_, wait ? 5000 : 0);
  auto counted = InTransaction([&]() -> Outcome {
    auto* rows = Prepared("SELECT count(*) FROM unknown");
    auto* add = Prepared(
        "INSERT INTO unknown(creator, name, version, count, first_seen, last_seen) "
        "SELECT ?1, ?2, ?3, ?4, ?5, ?6 WHERE NOT EXISTS(SELECT 1 FROM programs WHERE creator = ?1) "
        "AND (?7 OR EXISTS(SELECT 1 FROM unknown WHERE creator = ?1 AND name = ?2)) "
        "ON CONFLICT(creator, name) DO UPDATE SET version = excluded.version, count = count + excluded.count, "
        "last_seen = excluded.last_seen");
    int64_t held = 0;
    {
      Step counting(rows);
      if (counting.Row()) held = sqlite3_column_int64(rows, 0);
    }
    // Past the cap only programs counted already go on counting; a batch
    // is bounded, so the table is too.
    for (const auto& ask : asks) {
      Step adding(add);
      Bind(add, 1, ask.creator), Bind(add, 2, ask.name), Bind(add, 3, ask.version);
      sqlite3_bind_int64(add, 4, ask.count), sqlite3_bind_int64(add, 5, ask.firstSeen);
      sqlite3_bind_int64(add, 6, ask.lastSeen), sqlite3_bind_int(add, 7, held < kMaxUnknownRows);
      if (!adding.Done()) return Failure("counting " + ask.creator);
    }
    return Outcome{};
  });
  sqlite3_busy_timeout(db_, 5000);
  return counted;
}

}  // namespace oq::tracker
