// oq-hotsync show: the catalogue of a handheld image as the conduit left
// it, with the server's message from the preference.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "byte_codec.h"
#include "commands.h"
#include "handheld_image.h"
#include "program_record.h"
#include "tracker_preference_layout.h"
#include "version_order.h"

namespace oq::hotsync {

namespace {

namespace layout = program_record;

struct CatalogueRow {
  std::string type, creator, name, installed, latest, releaseDate, message;
  bool skip = false;
  bool exclude = false;
  bool newer = false;  // the tracker knows a later version than the installed one
};

std::string Field(std::span<const uint8_t> record, size_t offset, size_t width) {
  std::string text;
  for (size_t i = offset; i < offset + width && i < record.size() && record[i] != 0; ++i) {
    text += static_cast<char>(record[i]);
  }
  return text;
}

// YYYY-MM-DD from the stored bytes; blank when none was stored.
std::string ReleaseDateText(std::span<const uint8_t> record) {
  bytes::ByteReader reader(record);
  const unsigned yearByte = reader.U8(layout::kReleaseDateOffset);
  const unsigned month = reader.U8(layout::kReleaseDateOffset + 1);
  const unsigned day = reader.U8(layout::kReleaseDateOffset + 2);
  if (!reader.ok() || month == 0 || day == 0) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", 2000 + yearByte, month, day);
  return text;
}

CatalogueRow RowOf(const std::vector<uint8_t>& data) {
  const std::span<const uint8_t> record(data);
  CatalogueRow row;
  row.type = Field(record, layout::kTypeCodeOffset, layout::kCodeLength);
  row.creator = Field(record, layout::kCreatorCodeOffset, layout::kCodeLength);
  row.name = Field(record, layout::kProgramNameOffset, layout::kProgramNameLength);
  row.installed = Field(record, layout::kInstalledVersionOffset, layout::kVersionLength);
  row.latest = Field(record, layout::kLatestVersionOffset, layout::kVersionLength);
  row.releaseDate = ReleaseDateText(record);
  row.skip = record.size() > layout::kSkipFlagOffset && record[layout::kSkipFlagOffset] != 0;
  row.exclude = record.size() > layout::kExcludeFlagOffset && record[layout::kExcludeFlagOffset] != 0;
  row.message = Field(record, layout::kProgramMessageOffset, record.size());
  row.newer = !row.latest.empty() && tracker::VersionBefore(row.installed, row.latest);
  return row;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Handheld texts are single-byte; bytes above 0x7F are taken as Latin-1.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void PrintJson(const std::vector<CatalogueRow>& rows, const std::optional<std::string>& serverMessage) {
  std::printf("{\n  \"serverMessage\": %s,\n  \"programs\": [",
              serverMessage ? JsonString(*serverMessage).c_str() : "null");
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    std::printf("%s\n    {\"type\": %s, \"creator\": %s, \"name\": %s, \"installedVersion\": %s, "
                "\"latestVersion\": %s, \"releaseDate\": %s, \"newer\": %s, \"skip\": %s, \"exclude\": %s, \"message\": %s}",
                i ? "," : "", JsonString(r.type).c_str(), JsonString(r.creator).c_str(), JsonString(r.name).c_str(),
                JsonString(r.installed).c_str(), JsonString(r.latest).c_str(),
                r.releaseDate.empty() ? "null" : JsonString(r.releaseDate).c_str(), r.newer ? "true" : "false",
                r.skip ? "true" : "false",
                r.exclude ? "true" : "false", JsonString(r.message).c_str());
  }
  std::printf("%s]\n}\n", rows.empty() ? "" : "\n  ");
}

void PrintTable(const std::vector<CatalogueRow>& rows, const std::optional<std::string>& serverMessage) {
  std::printf("%-4s %-4s %-24s %-9s %-9s %-10s %-5s %s\n", "TYPE", "CRTR", "PROGRAM", "INSTALLED", "LATEST",
              "RELEASED", "FLAGS", "MESSAGE");
  size_t newer = 0;
  for (const auto& r : rows) {
    const std::string flags = std::string(r.newer ? "N" : "-") + (r.skip ? "S" : "-") + (r.exclude ? "X" : "-");
    std::printf("%-4s %-4s %-24s %-9s %-9s %-10s %-5s %s\n", r.type.c_str(), r.creator.c_str(), r.name.c_str(),
                r.installed.c_str(), r.latest.c_str(), r.releaseDate.c_str(), flags.c_str(), r.message.c_str());
    newer += r.newer;
  }
  std::printf("\n%zu programs, %zu with a newer version (flags: N newer version, S marked to be skipped, X excluded)\n",
              rows.size(), newer);
  std::printf("Server message: %s\n", serverMessage ? serverMessage->c_str() : "(no OrbitQuail preference)");
}

}  // namespace

int RunShow(const ShowOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_directory(options.handheld, error)) {
    std::cerr << "oq-hotsync: the handheld image directory " << options.handheld << " does not exist\n";
    return kExitUsage;
  }
  posix::HandheldImage image(options.handheld);
  auto path = image.FindDatabase("OQProgDB");
  if (!path) {
    std::cerr << "oq-hotsync: " << options.handheld.string()
              << " holds no OQProgDB catalogue; run the OrbitQuail handheld program first\n";
    return kExitUsage;
  }
  auto catalogue = posix::HandheldImage::Load(*path);
  if (!catalogue.database) {
    std::cerr << "oq-hotsync: the catalogue is damaged: " << catalogue.detail << "\n";
    return kExitUsage;
  }
  std::vector<CatalogueRow> rows;
  for (const auto& record : catalogue.database->records) rows.push_back(RowOf(record.data));

  std::optional<std::string> serverMessage;
  if (auto prefsPath = image.FindDatabase("Saved Preferences")) {
    auto prefs = posix::HandheldImage::Load(*prefsPath);
    if (!prefs.database) {
      std::cerr << "oq-hotsync: Saved Preferences is damaged: " << prefs.detail << "\n";
      return kExitUsage;
    }
    for (const auto& resource : prefs.database->resources) {
      if (palm::FourCCValue(resource.type) != tracker_preference::kCreator ||
          resource.id != tracker_preference::kPreferenceId) {
        continue;
      }
      constexpr size_t kVersionLength = 2;
      serverMessage = Field(resource.data, kVersionLength + tracker_preference::kServerMessageOffset,
                            tracker_preference::kServerMessageLength);
    }
  }
  if (options.json) {
    PrintJson(rows, serverMessage);
  } else {
    PrintTable(rows, serverMessage);
  }
  return kExitOk;
}

}  // namespace oq::hotsync
