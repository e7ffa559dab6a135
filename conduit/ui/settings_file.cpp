#include "settings_file.h"

#include <cctype>
#include <limits>

#include "ascii_case.h"
#include "private_profile.h"

namespace oq {

std::string SettingsFile::Read(const char* section, const char* key, const char* defaultValue, uint32_t bufferSize) {
  // The readers' buffers fit on the stack; a larger one goes on the heap.
  char local[kValueBufferSize];
  std::string large(bufferSize > sizeof local ? bufferSize : 0, '\0');
  char* buffer = large.empty() ? local : large.data();
  const uint32_t length = platform::ReadProfileValue(section, key, defaultValue, buffer, bufferSize, kFileName);
  return std::string(buffer, length);
}

bool SettingsFile::Write(const char* section, const char* key, const std::string& value) {
  return platform::WriteProfileValue(section, key, value.c_str(), kFileName);
}

int64_t ParseDecimal64(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate towards the sign's side so the most negative value fits.
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      value = value < (kMin + digit) / 10 ? kMin : value * 10 - digit;
    } else {
      value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
  }
  return value;
}

int32_t ParseDecimal32(const std::string& text) {
  const int64_t value = ParseDecimal64(text);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

bool IsYes(const std::string& text) { return ascii::EqualsIgnoringCase(text, SettingsFile::kYes); }

}  // namespace oq
