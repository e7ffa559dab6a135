// oq-tracker's maintainer commands against a catalogue database: `db init`,
// `db import`, `db export`, `db set`, `db remove`, `db list` and `unknown`.
// Each returns the process's exit status.
#pragma once

#include <cstddef>
#include <string>

namespace oq::tracker {

int RunDbInit(const std::string& db);
// All the rows of the file or none: a bad row is named by file and line.
int RunDbImport(const std::string& db, const std::string& tsv);
// The catalogue as a file `db import` and `--catalog` read, to stdout.
int RunDbExport(const std::string& db);
int RunDbSet(const std::string& db, const std::string& creator, const std::string& version, const std::string& date,
             const std::string& msg);
int RunDbRemove(const std::string& db, const std::string& creator);
int RunDbList(const std::string& db, bool json);
// The programs asked for that the catalogue lacks, most asked first.
int RunUnknown(const std::string& db, size_t top, bool json);

}  // namespace oq::tracker
