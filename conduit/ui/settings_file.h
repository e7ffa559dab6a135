// "OrbitQuail.ini": the conduit's desktop-side settings, shared by every
// HotSync user of the machine.
#pragma once

#include <cstdint>
#include <string>

namespace oq {

struct SettingsFile {
  static constexpr const char* kFileName = "OrbitQuail.ini";

  static constexpr const char* kTrack = "Track";
  static constexpr const char* kPeriod = "Period";
  static constexpr const char* kLastTrackTime = "LastTrackTime";

  static constexpr const char* kAuthProxy = "AuthProxy";
  static constexpr const char* kEnable = "Enable";
  static constexpr const char* kUserName = "UserName";
  static constexpr const char* kPassword = "Password";

  static constexpr const char* kPeriodDefault = "1";
  static constexpr const char* kLastTrackTimeDefault = "0";
  static constexpr const char* kEnableDefault = "No";
  static constexpr const char* kYes = "Yes";
  static constexpr const char* kNo = "No";

  // Buffer sizes the readers use; longer values are cut to size - 1.
  static constexpr uint32_t kValueBufferSize = 256;
  static constexpr uint32_t kEnableBufferSize = 16;
  static constexpr uint32_t kCredentialBufferSize = 128;

  static std::string Read(const char* section, const char* key, const char* defaultValue, uint32_t bufferSize);
  static bool Write(const char* section, const char* key, const std::string& value);
};

// Decimal-to-integer conversion: leading blanks, an optional sign, then the
// longest run of digits; 0 when there is none. Saturates instead of
// overflowing.
int32_t ParseDecimal32(const std::string& text);
int64_t ParseDecimal64(const std::string& text);

// "Yes" in any letter case.
bool IsYes(const std::string& text);

}  // namespace oq
