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
// the launcher shows.
inline constexpr const char* kVersionResourceType = "tver";
inline constexpr const char* kLauncherNameResourceType = "tAIN";
inline constexpr uint16_t kProgramResourceId = 1000;

struct InstalledProgram {
  std::string name;  // the database name
  palm::FourCC type{};
  palm::FourCC creator{};
  std::string altName;           // the launcher's name when it differs from the database name
  std::string installedVersion;  // the version resource, else the header's version number
};

// Resources are their raw bytes, absent when the program has none.
InstalledProgram DescribeProgram(const DatabaseSummary& database,
                                 std::optional<std::span<const uint8_t>> versionResource,
                                 std::optional<std::span<const uint8_t>> launcherNameResource);

// The resource of that type and id in a resource database, if any.
std::optional<std::span<const uint8_t>> FindResource(const palm::Database& database, const char* type, uint16_t id);

}  // namespace oq::cataloguer
