// The cataloguer over a live handheld, through the Desktop Link Protocol:
// the database list and each program's version resources, the catalogue
// read and written record by record, the tracker preference through the
// preference commands. Only what changed since the desktop last saw the
// handheld is read or written.
#pragma once

#include "catalogue_pass.h"
#include "dlp_client.h"
#include "known_handheld.h"

namespace oq::cataloguer {

// `known`: what the desktop learnt of this handheld before, or none; what
// is unchanged is taken from it, and it is brought up to date.
CatalogueResult CatalogueLiveHandheld(dlp::Client& client, RememberedFlags* remembered = nullptr,
                                      KnownHandheld* known = nullptr);

// At the end of a HotSync: the catalogue's list entry read again and the
// copy stamped with it, so that the next HotSync finds it unchanged; the
// copy is dropped when the entry cannot be read.
void StampCatalogueCopy(dlp::Client& client, KnownHandheld& known);

// A record the handheld now holds under `id`, as `written`, in a copy of
// its database.
void ApplyRecordWrite(palm::Database& copy, const palm::Record& written, uint32_t id);

}  // namespace oq::cataloguer
