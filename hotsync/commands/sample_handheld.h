// A small handheld image for trying the conduit out: the program catalogue
// the handheld program would have written, and its preference.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "outcome.h"

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
// it.
Outcome WriteSampleHandheld(const std::filesystem::path& directory);

// A backup folder as a real handheld leaves it: the sample programs as
// program files with their version and launcher-name resources, and a memo
// database; no catalogue and no OrbitQuail preference.
Outcome WriteSampleBackupFolder(const std::filesystem::path& directory);

// A stand-in of the handheld program OrbitQuail.prc (which is not part of
// this product): a resource database named "OrbitQuail" of creator rkOQ, to
// try the installer and the install queue with.
Outcome WriteSampleProgram(const std::filesystem::path& file);

}  // namespace oq::hotsync
