// Any file as a Palm database: it is refused or read; what is read writes
// out as a file that reads back to the same database and the same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "palm_database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parsed = oq::palm::ParseDatabase(std::span<const uint8_t>(data, size));
  if (!parsed.database) return 0;
  const auto written = oq::palm::SerializeDatabase(*parsed.database);
  const auto again = oq::palm::ParseDatabase(written);
  if (!again.database) std::abort();
  if (oq::palm::SerializeDatabase(*again.database) != written) std::abort();
  const auto& a = *parsed.database;
  const auto& b = *again.database;
  if (a.records.size() != b.records.size() || a.resources.size() != b.resources.size() || a.appInfo != b.appInfo ||
      a.sortInfo != b.sortInfo || a.name != b.name || a.uniqueIdSeed != b.uniqueIdSeed) {
    std::abort();
  }
  for (size_t i = 0; i < a.records.size(); ++i) {
    if (a.records[i].data != b.records[i].data || a.records[i].attributes != b.records[i].attributes ||
        (a.records[i].uniqueId & oq::palm::kUniqueIdMask) != b.records[i].uniqueId) {
      std::abort();
    }
  }
  for (size_t i = 0; i < a.resources.size(); ++i) {
    if (a.resources[i].data != b.resources[i].data || a.resources[i].type != b.resources[i].type ||
        a.resources[i].id != b.resources[i].id) {
      std::abort();
    }
  }
  return 0;
}
