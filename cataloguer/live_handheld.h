// The cataloguer over a live handheld, through the Desktop Link Protocol:
// the database list and each program's version resources, the catalogue
// read and written record by record, the tracker preference through the
// preference commands.
#pragma once

#include "catalogue_pass.h"
#include "dlp_client.h"

namespace oq::cataloguer {

CatalogueResult CatalogueLiveHandheld(dlp::Client& client, RememberedFlags* remembered = nullptr);

}  // namespace oq::cataloguer
