// Application preferences as a handheld keeps them: resources of the
// database "Saved Preferences" (backed up) or "Unsaved Preferences", of
// type creator and id preference id, each holding the preference's 2-byte
// big-endian version followed by its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "palm_database.h"

namespace oq::palm::saved_preferences {

inline constexpr const char* kSavedName = "Saved Preferences";
inline constexpr const char* kUnsavedName = "Unsaved Preferences";
inline constexpr const char* kDatabaseType = "sprf";
inline constexpr const char* kDatabaseCreator = "psys";
inline constexpr size_t kVersionLength = 2;

struct Preference {
  uint16_t version = 0;
  std::span<const uint8_t> bytes;
};

std::vector<uint8_t> Encode(uint16_t version, std::span<const uint8_t> bytes);
// None when the resource is too short to hold a version.
std::optional<Preference> Decode(std::span<const uint8_t> resource);

// An empty preferences database named `name`, created now (Palm time).
palm::Database NewDatabase(const char* name, uint32_t now);

}  // namespace oq::palm::saved_preferences
