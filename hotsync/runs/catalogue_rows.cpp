#include "catalogue_rows.h"

#include <cstdio>

#include "byte_codec.h"
#include "handheld_image.h"
#include "program_catalogue.h"
#include "program_record.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"
#include "version_order.h"

namespace oq::hotsync {

namespace {

bool Newer(const std::string& installed, const std::string& latest) {
  return !latest.empty() && palm::VersionBefore(installed, latest);
}

CatalogueRow RowOf(const std::vector<uint8_t>& record) {
  auto fields = program_record::Read(record);
  CatalogueRow row;
  row.type = std::move(fields.type);
  row.creator = std::move(fields.creator);
  row.name = std::move(fields.name);
  row.installed = std::move(fields.installedVersion);
  row.latest = std::move(fields.latestVersion);
  row.message = std::move(fields.message);
  row.releaseDate = std::move(fields.releaseDate);
  row.skip = fields.skip;
  row.exclude = fields.exclude;
  row.newer = Newer(row.installed, row.latest);
  row.answered = !row.latest.empty() || !row.releaseDate.empty() || !row.message.empty();
  return row;
}

// The catalogue's records, and the preference's fields the views need.
struct LoadedCatalogue {
  std::vector<palm::Record> records;
  std::optional<std::string> serverMessage;
  bool useSkipFlag = false;
};

std::optional<LoadedCatalogue> LoadCatalogue(const std::filesystem::path& folder, std::string& error) {
  const standin::HandheldImage image(folder);
  const auto path = image.FindDatabase(cataloguer::kCatalogueName);
  if (!path) {
    error = folder.string() + " holds no OQProgDB catalogue";
    return std::nullopt;
  }
  auto catalogue = standin::HandheldImage::Load(*path);
  if (!catalogue.database) {
    error = "the catalogue is damaged: " + catalogue.detail;
    return std::nullopt;
  }
  LoadedCatalogue loaded;
  loaded.records = std::move(catalogue.database->records);

  namespace prefs = palm::saved_preferences;
  namespace pref = tracker_preference;
  if (auto prefsPath = image.FindDatabase(prefs::kSavedName)) {
    auto saved = standin::HandheldImage::Load(*prefsPath);
    if (!saved.database) {
      error = "Saved Preferences is damaged: " + saved.detail;
      return std::nullopt;
    }
    for (const auto& resource : saved.database->resources) {
      if (palm::FourCCValue(resource.type) != pref::kCreator || resource.id != pref::kPreferenceId) continue;
      if (const auto stored = prefs::Decode(resource.data)) {
        bytes::ByteReader reader(stored->bytes);
        loaded.serverMessage = reader.Text(pref::kServerMessageOffset, pref::kServerMessageLength);
        loaded.useSkipFlag = reader.U8(pref::kUseSkipFlagOffset) != 0;
      }
    }
  }
  return loaded;
}

}  // namespace

std::optional<CatalogueView> ReadCatalogueView(const std::filesystem::path& folder, std::string& error) {
  auto loaded = LoadCatalogue(folder, error);
  if (!loaded) return std::nullopt;
  CatalogueView view;
  view.rows.reserve(loaded->records.size());
  for (const auto& record : loaded->records) view.rows.push_back(RowOf(record.data));
  view.serverMessage = std::move(loaded->serverMessage);
  view.useSkipFlag = loaded->useSkipFlag;
  return view;
}

std::optional<CatalogueTally> TallyCatalogue(const std::filesystem::path& folder, std::string& error) {
  const auto loaded = LoadCatalogue(folder, error);
  if (!loaded) return std::nullopt;
  CatalogueTally tally;
  for (const auto& record : loaded->records) {
    const CatalogueRow row = RowOf(record.data);
    if (!row.Tracked(loaded->useSkipFlag)) continue;
    ++tally.tracked;
    tally.newer += row.newer;
  }
  return tally;
}

}  // namespace oq::hotsync
