// The blocks the HotSync Manager hands to a conduit's exports.
//
// Byte-packed little-endian layouts owned by the caller; the conduit reads
// and writes them only during the call. None of them holds an address, so
// their sizes are the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oq::conduit {

// HotSync actions, as stored in the action fields below.
constexpr int32_t kActionSynchronize = 0;
constexpr int32_t kActionSynchronizeAlt = 1;
constexpr int32_t kActionHandheldOverwrites = 2;
constexpr int32_t kActionDesktopOverwrites = 3;
constexpr int32_t kActionDoNothing = 6;

// Preference kinds of a chosen action.
constexpr int32_t kPreferencePermanent = 1;
constexpr int32_t kPreferenceTemporary = 2;

}  // namespace oq::conduit

#pragma pack(push, 1)

// The sync properties of the HotSync user whose handheld is connected. The
// conduit reads only the action; the rest belongs to the HotSync Manager.
struct SyncProperties {
  int32_t syncAction;
  uint8_t hotsyncManagerData[1194];
};
static_assert(sizeof(SyncProperties) == 1198);

// Input of GetConduitInfo kind 0.
struct ConduitNameRequest {
  uint32_t version;
  uint32_t size;
  uint32_t creator;
  uint32_t userId;
  char userName[64];
};
static_assert(sizeof(ConduitNameRequest) == 80);

// Configuration block of CfgConduit.
struct ConduitConfiguration {
  uint32_t version;
  uint32_t size;
  uint32_t creator;
  uint32_t userId;
  char userName[64];
  char textArea[256];
  int32_t permanentAction;
  int32_t temporaryAction;
  int32_t chosenAction;
  int32_t preferenceKind;
};
static_assert(sizeof(ConduitConfiguration) == 352);
static_assert(offsetof(ConduitConfiguration, permanentAction) == 336);
static_assert(offsetof(ConduitConfiguration, preferenceKind) == 348);

// Old-style sync preference of ConfigureConduit; only the last two fields
// are the conduit's to touch.
struct LegacySyncPreference {
  uint8_t hotsyncManagerData[516];
  int32_t preferenceKind;
  int32_t action;
  uint8_t reserved[4];
};
static_assert(sizeof(LegacySyncPreference) == 528);
static_assert(offsetof(LegacySyncPreference, preferenceKind) == 516);
static_assert(offsetof(LegacySyncPreference, action) == 520);

#pragma pack(pop)

// The progress callback the HotSync Manager passes to OpenConduit.
using ConduitProgressCallback = int32_t (*)(char*);

// The conduit's exports, as a host resolves them by name.
using OpenConduitFunction = int32_t (*)(ConduitProgressCallback, SyncProperties*);
using GetConduitNameFunction = int32_t (*)(char*, uint16_t);
using GetConduitVersionFunction = uint32_t (*)();
using GetConduitInfoFunction = int32_t (*)(int32_t, void*, void*, uint32_t*);
using CfgConduitFunction = int32_t (*)(int32_t, void*, uint32_t*);
using ConfigureConduitFunction = int32_t (*)(LegacySyncPreference*);
