// A small handheld image for trying the conduit out: the program catalogue
// the handheld program would have written, and its preference.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace oq::hotsync {

struct SampleProgram {
  const char* type;
  const char* creator;
  const char* name;
  const char* altName;
  const char* installedVersion;
  bool skip;
  bool exclude;
};

const std::vector<SampleProgram>& SamplePrograms();

// Writes OQProgDB.pdb and Saved Preferences.prc into `directory`, creating
// it; returns an empty string or what went wrong.
std::string WriteSampleHandheld(const std::filesystem::path& directory);

}  // namespace oq::hotsync
