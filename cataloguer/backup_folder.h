// The cataloguer over a backup folder (a handheld image): what the handheld
// program would have done before a HotSync, done on the desktop. Every file
// is replaced atomically.
#pragma once

#include <filesystem>

#include "catalogue_pass.h"

namespace oq::cataloguer {

CatalogueResult CatalogueBackupFolder(const std::filesystem::path& folder, RememberedFlags* remembered = nullptr);

}  // namespace oq::cataloguer
