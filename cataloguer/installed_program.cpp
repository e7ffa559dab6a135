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

InstalledProgram DescribeProgram(const DatabaseSummary& database,
                                 std::optional<std::span<const uint8_t>> versionResource,
                                 std::optional<std::span<const uint8_t>> launcherNameResource) {
  InstalledProgram program{database.name, database.type, database.creator, {}, {}};
  if (launcherNameResource) {
    std::string launcherName = ResourceText(*launcherNameResource, launcherNameResource->size());
    if (launcherName != database.name) program.altName = std::move(launcherName);
  }
  program.installedVersion = versionResource ? ResourceText(*versionResource, versionResource->size())
                                             : std::to_string(database.version);
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

}  // namespace oq::cataloguer
