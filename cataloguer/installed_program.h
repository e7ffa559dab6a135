// The programs installed on a handheld, as the catalogue lists them.
//
// A program is a resource database of an executable type (Palm OS file
// types: applications 'appl', shared libraries 'libr', preference panels
// 'panl', system extensions 'extn', exchange libraries 'exgl', slot drivers
// 'libs', file systems 'libf', text-services plug-ins 'libt', desk
// accessories 'DAcc', HackMaster hacks 'HACK'). Record databases, overlays,
// the handheld's preference databases and OrbitQuail's own files are not.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "palm_database.h"

namespace oq::cataloguer {

// What a handheld's database list tells of one database.
struct DatabaseSummary {
  std::string name;
  palm::FourCC type{};
  palm::FourCC creator{};
  uint16_t attributes = 0;
  uint16_t version = 0;

  static DatabaseSummary Of(const palm::Database& database);
};

bool IsProgram(const DatabaseSummary& database);

// The resources a program is described by: its version string and the name
// the launcher shows. The version is looked for under kProgramResourceId
// first, then under the lowest id the program has: common build tools
// number it 1.
inline constexpr const char* kVersionResourceType = "tver";
inline constexpr const char* kLauncherNameResourceType = "tAIN";
inline constexpr uint16_t kProgramResourceId = 1000;
inline constexpr uint16_t kBuildToolVersionResourceId = 1;

struct InstalledProgram {
  std::string name;  // the database name
  palm::FourCC type{};
  palm::FourCC creator{};
  std::string altName;           // the launcher's name when it differs from the database name
  std::string installedVersion;  // the first version resource that says one, else the header's version number
};

// Resources are their raw bytes. `versionResources` in the order they are
// tried: a blank one says nothing and the next is taken.
InstalledProgram DescribeProgram(const DatabaseSummary& database,
                                 std::span<const std::span<const uint8_t>> versionResources,
                                 std::optional<std::span<const uint8_t>> launcherNameResource);

// A version resource's text: up to its first NUL or control byte; empty
// when that leaves nothing but blanks.
std::string VersionText(std::span<const uint8_t> resource);

// The resource of that type and id in a resource database, if any.
std::optional<std::span<const uint8_t>> FindResource(const palm::Database& database, const char* type, uint16_t id);

// A program file's version resources in the order they are tried: id
// kProgramResourceId, then the others by rising id.
std::vector<std::span<const uint8_t>> VersionResources(const palm::Database& database);

}  // namespace oq::cataloguer
