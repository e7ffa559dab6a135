#include "tracker_preference.h"

#include <cstdio>
#include <cstring>

#include "byte_codec.h"
#include "log_line.h"
#include "sync_manager.h"

namespace oq {

namespace {

namespace layout = tracker_preference;

constexpr uint16_t kWholePreference = 0xFFFF;
constexpr uint32_t kBackedUpPreferences = 1;

// A fresh block for every call, as the Sync Manager expects.
PreferenceParameterBlock MakeBlock(uint8_t* buffer) {
  PreferenceParameterBlock block;
  std::memset(&block, 0, sizeof block);
  block.version = layout::kVersion;
  block.creator = layout::kCreator;
  block.preferenceId = layout::kPreferenceId;
  block.backedUp = kBackedUpPreferences;
  block.bufferSize = layout::kSize;
  block.buffer = buffer;
  return block;
}

void LogFailure(const char* format, int32_t result) {
  char line[64];
  std::snprintf(line, sizeof line, format, static_cast<unsigned long>(static_cast<uint32_t>(result)));
  LogError(line);
}

}  // namespace

int ReadTrackerPreference(uint8_t* buffer) {
  PreferenceParameterBlock block = MakeBlock(buffer);
  block.requestedBytes = kWholePreference;
  const int32_t result = SyncReadAppPreference(&block);
  if (result != 0) {
    LogFailure("Failed to read preference DB. Error=%lX", result);
    return result;
  }
  const uint16_t storedVersion = block.version;
  if (storedVersion == layout::kVersion) return 0;

  char line[64];
  LogError("OrbitQuail preference DB version is different.");
  std::snprintf(line, sizeof line, "  Conduit supports version %X.", static_cast<unsigned>(layout::kVersion));
  LogError(line);
  std::snprintf(line, sizeof line, "  Palm's DB version is %X.\n", static_cast<unsigned>(storedVersion));
  LogError(line);
  LogError("Please install new version or reinstall.");
  return -1;
}

int WriteTrackerPreference(uint8_t* buffer) {
  PreferenceParameterBlock block = MakeBlock(buffer);
  const int32_t result = SyncWriteAppPreference(&block);
  if (result != 0) LogFailure("Failed to write preference DB. Error=%lX", result);
  return result;
}

// Up to the message's first NUL, cut so that a terminator always follows.
void StoreServerMessage(uint8_t* buffer, const std::string& message) {
  bytes::ByteWriter(std::span<uint8_t>(buffer, layout::kSize))
      .Text(layout::kServerMessageOffset, layout::kServerMessageLength, message.substr(0, message.find('\0')));
}

}  // namespace oq
