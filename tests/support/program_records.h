// ProgramRecord and TrackerPreference bytes for tests, built through the
// byte codec from the layout constants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oq::test {

struct ProgramFields {
  std::string type = "appl";  // up to four bytes; a shorter text leaves NULs
  std::string creator = "Test";
  std::string name = "Program";
  std::string altName;
  std::string installedVersion = "1.0";
  uint8_t skipFlag = 0;
  uint8_t excludeFlag = 0;
  std::string message;
};

// A record as the handheld program writes it: `length` bytes (default: the
// fixed part and the message), every byte not named filled with `fill`.
std::vector<uint8_t> MakeProgramRecord(const ProgramFields& fields, size_t length = 0, uint8_t fill = 0);

// The 392-byte preference, bytes the handheld owns set to a pattern.
std::vector<uint8_t> MakeTrackerPreference(uint8_t useSkipFlag, const std::string& message = "");

// Text of a NUL-terminated field at `offset`, at most `width` bytes.
std::string FieldText(const std::vector<uint8_t>& bytes, size_t offset, size_t width);

}  // namespace oq::test
