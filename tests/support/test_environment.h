// Per-test surroundings: a private ORBITQUAIL_HOME and scratch folders that
// vanish with the test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace oq::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Sets or clears an environment variable for the object's life.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value);  // value null: unset
  ~ScopedEnvironment();

 private:
  std::string name_;
  std::string previous_;
  bool hadPrevious_;
};

// Points ORBITQUAIL_HOME at a fresh folder for the object's life.
class ScopedHome {
 public:
  const std::filesystem::path& path() const { return dir_.path(); }
  std::filesystem::path SettingsPath() const { return dir_.path() / "windows" / "OrbitQuail.ini"; }

 private:
  TempDir dir_;
  ScopedEnvironment home_{"ORBITQUAIL_HOME", dir_.path().c_str()};
};

std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);

}  // namespace oq::test
