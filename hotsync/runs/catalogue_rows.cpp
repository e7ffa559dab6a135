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

namespace layout = program_record;

// YYYY-MM-DD from the stored bytes; blank when none was stored.
std::string ReleaseDateText(bytes::ByteReader& reader) {
  const unsigned yearByte = reader.U8(layout::kReleaseDateOffset);
  const unsigned month = reader.U8(layout::kReleaseDateOffset + 1);
  const unsigned day = reader.U8(layout::kReleaseDateOffset + 2);
  if (!reader.ok() || month == 0 || day == 0) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", 2000 + yearByte, month, day);
  return text;
}

bool Flag(const std::vector<uint8_t>& record, size_t offset) { return record.size() > offset && record[offset] != 0; }

bool Newer(const std::string& installed, const std::string& latest) {
  return !latest.empty() && palm::VersionBefore(installed, latest);
}

CatalogueRow RowOf(const std::vector<uint8_t>& record) {
  bytes::ByteReader reader(record);
  CatalogueRow row;
  row.type = reader.Text(layout::kTypeCodeOffset, layout::kCodeLength);
  row.creator = reader.Text(layout::kCreatorCodeOffset, layout::kCodeLength);
  row.name = reader.Text(layout::kProgramNameOffset, layout::kProgramNameLength);
  row.installed = reader.Text(layout::kInstalledVersionOffset, layout::kVersionLength);
  row.latest = reader.Text(layout::kLatestVersionOffset, layout::kVersionLength);
  row.message = reader.Text(layout::kProgramMessageOffset, record.size());
  row.skip = Flag(record, layout::kSkipFlagOffset);
  row.exclude = Flag(record, layout::kExcludeFlagOffset);
  row.releaseDate = ReleaseDateText(reader);
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
    CatalogueRow flags;
    flags.skip = Flag(record.data, layout::kSkipFlagOffset);
    flags.exclude = Flag(record.data, layout::kExcludeFlagOffset);
    if (!flags.Tracked(loaded->useSkipFlag)) continue;
    ++tally.tracked;
    bytes::ByteReader reader(record.data);
    tally.newer += Newer(reader.Text(layout::kInstalledVersionOffset, layout::kVersionLength),
                         reader.Text(layout::kLatestVersionOffset, layout::kVersionLength));
  }
  return tally;
}

}  // namespace oq::hotsync
