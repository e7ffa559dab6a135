#include "test_environment.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace oq::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "oq-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
  const char* previous = std::getenv(name);
  hadPrevious_ = previous != nullptr;
  if (previous) previous_ = previous;
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  if (hadPrevious_) {
    setenv(name_.c_str(), previous_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace oq::test
