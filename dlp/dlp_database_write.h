// A whole database written to the handheld: created, its blocks, resources
// and records written, closed. The one way the desktop puts a database
// there, for the install queue and for a new catalogue.
#pragma once

#include <functional>

#include "dlp_client.h"
#include "palm_database.h"

namespace oq::dlp {

struct DatabaseWrite {
  enum class Stage { kCreate, kWrite, kClose };
  Stage stage = Stage::kClose;  // where it failed, when it did
  Status status;

  bool ok() const { return status.ok(); }
};

// `written` hears each record and the id the handheld keeps it under. A
// write that fails leaves the database open no longer, but there.
DatabaseWrite WriteDatabase(Client& client, const palm::Database& database,
                            const std::function<void(const palm::Record&, uint32_t)>& written = {});

}  // namespace oq::dlp
