#include "installed_program.h"

#include <algorithm>
#include <array>

#include "byte_codec.h"
#include "product.h"

namespace oq::cataloguer {

namespace {

constexpr std::array kProgramTypes = {"appl", "libr", "panl", "extn", "exgl", "libs", "libf", "libt", "DAcc", "HACK"};

// A text resource: the bytes up to the first NUL.
std::string ResourceText(std::span<const uint8_t> bytes, size_t width) {
  return bytes::ByteReader(bytes).Text(0, width);
}

}  // namespace

DatabaseSummary DatabaseSummary::Of(const palm::Database& database) {
  return {database.Name(), database.type, database.creator, database.attributes, database.version};
}

bool IsProgram(const DatabaseSummary& database) {
  if ((database.attributes & palm::kAttributeResourceDb) == 0) return false;
  if (database.creator == palm::FourCCFromText(product::kCreatorText)) return false;
  return std::any_of(kProgramTypes.begin(), kProgramTypes.end(),
                     [&](const char* type) { return database.type == palm::FourCCFromText(type); });
}

std::string VersionText(std::span<const uint8_t> resource) {
  const auto end =
      std::find_if(resource.begin(), resource.end(), [](uint8_t byte) { return byte < 0x20 || byte == 0x7F; });
  std::string text(resource.begin(), end);
  if (text.find_first_not_of(' ') == std::string::npos) text.clear();
  return text;
}

InstalledProgram DescribeProgram(const DatabaseSummary& database,
                                 std::span<const std::span<const uint8_t>> versionResources,
                                 std::optional<std::span<const uint8_t>> launcherNameResource) {
  InstalledProgram program{database.name, database.type, database.creator, {}, {}};
  if (launcherNameResource) {
    std::string launcherName = ResourceText(*launcherNameResource, launcherNameResource->size());
    if (launcherName != database.name) program.altName = std::move(launcherName);
  }
  for (const auto resource : versionResources) {
    program.installedVersion = VersionText(resource);
    if (!program.installedVersion.empty()) break;
  }
  if (program.installedVersion.empty()) program.installedVersion = std::to_string(database.version);
  return program;
}

std::optional<std::span<const uint8_t>> FindResource(const palm::Database& database, const char* type, uint16_t id) {
  const palm::FourCC code = palm::FourCCFromText(type);
  for (const auto& resource : database.resources) {
    if (resource.type == code && resource.id == id) return std::span<const uint8_t>(resource.data);
  }
  return std::nullopt;
}

std::vector<std::span<const uint8_t>> VersionResources(const palm::Database& database) {
  const palm::FourCC code = palm::FourCCFromText(kVersionResourceType);
  std::vector<const palm::Resource*> found;
  for (const auto& resource : database.resources) {
    if (resource.type == code) found.push_back(&resource);
  }
  std::stable_sort(found.begin(), found.end(), [](const palm::Resource* a, const palm::Resource* b) {
    if ((a->id == kProgramResourceId) != (b->id == kProgramResourceId)) return a->id == kProgramResourceId;
    return a->id < b->id;
  });
  std::vector<std::span<const uint8_t>> resources;
  for (const auto* resource : found) resources.emplace_back(resource->data);
  return resources;
}

}  // namespace oq::cataloguer
