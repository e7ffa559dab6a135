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

CatalogueRow RowOf(const std::vector<uint8_t>& record) {
  bytes::ByteReader reader(record);
  CatalogueRow row;
  row.type = reader.Text(layout::kTypeCodeOffset, layout::kCodeLength);
  row.creator = reader.Text(layout::kCreatorCodeOffset, layout::kCodeLength);
  row.name = reader.Text(layout::kProgramNameOffset, layout::kProgramNameLength);
  row.installed = reader.Text(layout::kInstalledVersionOffset, layout::kVersionLength);
  row.latest = reader.Text(layout::kLatestVersionOffset, layout::kVersionLength);
  row.message = reader.Text(layout::kProgramMessageOffset, record.size());
  row.skip = record.size() > layout::kSkipFlagOffset && record[layout::kSkipFlagOffset] != 0;
  row.exclude = record.size() > layout::kExcludeFlagOffset && record[layout::kExcludeFlagOffset] != 0;
  row.releaseDate = ReleaseDateText(reader);
  row.newer = !row.latest.empty() && tracker::VersionBefore(row.installed, row.latest);
  row.answered = !row.latest.empty() || !row.releaseDate.empty() || !row.message.empty();
  return row;
}

}  // namespace

std::optional<CatalogueView> ReadCatalogueView(const std::filesystem::path& folder, std::string& error) {
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
  CatalogueView view;
  for (const auto& record : catalogue.database->records) view.rows.push_back(RowOf(record.data));

  namespace prefs = standin::saved_preferences;
  namespace pref = tracker_preference;
  if (auto prefsPath = image.FindDatabase(prefs::kSavedName)) {
    auto loaded = standin::HandheldImage::Load(*prefsPath);
    if (!loaded.database) {
      error = "Saved Preferences is damaged: " + loaded.detail;
      return std::nullopt;
    }
    for (const auto& resource : loaded.database->resources) {
      if (palm::FourCCValue(resource.type) != pref::kCreator || resource.id != pref::kPreferenceId) continue;
      if (const auto stored = prefs::Decode(resource.data)) {
        bytes::ByteReader reader(stored->bytes);
        view.serverMessage = reader.Text(pref::kServerMessageOffset, pref::kServerMessageLength);
        view.useSkipFlag = reader.U8(pref::kUseSkipFlagOffset) != 0;
      }
    }
  }
  return view;
}

}  // namespace oq::hotsync
