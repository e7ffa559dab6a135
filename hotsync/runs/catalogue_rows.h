// The handheld's catalogue as people read it: one row per program, with
// the answers the conduit stored, and the preference's server message.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace oq::hotsync {

struct CatalogueRow {
  std::string type, creator, name, installed, latest, releaseDate, message;
  bool skip = false;
  bool exclude = false;
  bool newer = false;     // the tracker knows a later version than the installed one
  bool answered = false;  // the tracker ever answered for it

  // Whether a pass asks about it, given the preference's useSkipFlag.
  bool Tracked(bool useSkipFlag) const { return !exclude && !(useSkipFlag && skip); }
};

struct CatalogueView {
  std::vector<CatalogueRow> rows;
  std::optional<std::string> serverMessage;  // none without an OrbitQuail preference
  bool useSkipFlag = false;
};

// The view of the handheld image in `folder`; on failure, none and `error`
// says why (no catalogue, a damaged file).
std::optional<CatalogueView> ReadCatalogueView(const std::filesystem::path& folder, std::string& error);

// How many programs a pass asks about and how many of them the tracker
// knows a later version of: the view's counts, without building its rows.
struct CatalogueTally {
  size_t tracked = 0;
  size_t newer = 0;
};
std::optional<CatalogueTally> TallyCatalogue(const std::filesystem::path& folder, std::string& error);

}  // namespace oq::hotsync
