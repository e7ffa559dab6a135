// Comparing names without regard to letter case, the way protocol and file
// formats mean it: ASCII letters only, whatever locale the host process has
// set (under a code page, std::tolower would fold bytes above 0x7F too).
#pragma once

#include <string_view>

namespace oq::ascii {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool IsLetterOrDigit(char c) { return (Lower(c) >= 'a' && Lower(c) <= 'z') || (c >= '0' && c <= '9'); }

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Orders as a sorted list box does: without regard to letter case.
constexpr bool LessIgnoringCase(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i]))
      return static_cast<unsigned char>(Lower(a[i])) < static_cast<unsigned char>(Lower(b[i]));
  }
  return a.size() < b.size();
}
}  // namespace oq::ascii
