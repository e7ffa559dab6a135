// Questions for programs the catalogue lacks, counted in memory as they
// come and written to the database every kFlushEvery (the server's timer
// calls Flush), in one transaction, so that a query costs no write and a
// maintainer's write holds up no query: while one holds the file, the
// counts wait for the next time.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "catalog_db.h"

namespace oq::tracker {

// `text` cut to `width` bytes, then every byte outside printable ASCII
// (and the backslash) written \\xNN, so that a list shows it safely.
std::string EscapedAsked(std::string_view text, size_t width);

class UnknownCounter {
 public:
  static constexpr auto kFlushEvery = std::chrono::seconds(1);

  // One question, as the query gave it.
  void Add(std::string_view creator, std::string_view name, std::string_view version);
  // Writes what was counted; `wait` waits for a maintainer's write (at the
  // end), without it the counts stay for the next time.
  void Flush(CatalogDb& db, bool wait);
  size_t pending() const { return pending_.size(); }

 private:
  // Distinct programs held between writes at the most; more are dropped.
  static constexpr size_t kMaxPending = 1000;

  std::map<std::pair<std::string, std::string>, UnknownRow> pending_;
};

}  // namespace oq::tracker
