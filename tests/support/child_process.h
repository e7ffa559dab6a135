// Programs of the project run as a user runs them, for end-to-end tests.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

#include "test_environment.h"

namespace oq::test {

struct Outcome {
  int status;                  // exit status, -1 when killed by a signal
  std::string output;          // stdout, then stderr
  std::string standardOutput;  // stdout alone
};

// Runs a shell command line to its end.
Outcome RunCommand(const std::string& command);

// The built oq-hotsync with `arguments`, its environment set first by
// `environment` ("NAME=value ..."), to its end.
Outcome RunHotSync(const std::string& arguments, const std::string& environment = {});

// oq-tracker in the background on a free loopback port, its output in a
// file; stopped when destroyed.
class TrackerProcess {
 public:
  explicit TrackerProcess(const std::vector<std::string>& arguments);
  ~TrackerProcess();
  TrackerProcess(const TrackerProcess&) = delete;
  TrackerProcess& operator=(const TrackerProcess&) = delete;

  bool running() const { return port_ != 0; }
  uint16_t port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string Output() const { return ReadText(dir_.path() / "tracker.log"); }
  // The output once it holds `text`; it logs a request after answering it,
  // so a test waits for the line (at most ten seconds).
  std::string WaitForOutput(const std::string& text) const;
  // TCP connections its requests came in on, told apart by client port.
  size_t ConnectionsSeen() const;
  // SIGTERM, then its exit status (-1 when a signal ended it).
  int Stop();
  pid_t pid() const { return pid_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  uint16_t port_ = 0;
};

}  // namespace oq::test
