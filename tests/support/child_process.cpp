#include "child_process.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace oq::test {

Outcome RunCommand(const std::string& command) {
  TempDir dir;
  const auto errors = dir.path() / "stderr";
  FILE* pipe = popen(("{ " + command + "\n} 2>'" + errors.string() + "'").c_str(), "r");
  std::string output;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output + ReadText(errors), output};
}

TrackerProcess::TrackerProcess(const std::vector<std::string>& arguments) {
  const auto logPath = dir_.path() / "tracker.log";
  pid_ = fork();
  if (pid_ == 0) {
    int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(OQ_TRACKER_PATH)};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(OQ_TRACKER_PATH, argv.data());
    _exit(127);
  }
  const std::string listening = "listening on http://127.0.0.1:";
  for (int attempt = 0; attempt < 400; ++attempt) {
    const std::string output = Output();
    const size_t found = output.find(listening);
    if (found != std::string::npos && output.find('\n', found) != std::string::npos) {
      port_ = static_cast<uint16_t>(std::atoi(output.c_str() + found + listening.size()));
      return;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

std::string TrackerProcess::WaitForOutput(const std::string& text) const {
  std::string output = Output();
  for (int attempt = 0; attempt < 400 && output.find(text) == std::string::npos; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    output = Output();
  }
  return output;
}

size_t TrackerProcess::ConnectionsSeen() const {
  const std::string log = Output();
  const std::string marker = "(from port ";
  std::set<int> ports;
  for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) {
    ports.insert(std::atoi(log.c_str() + at + marker.size()));
  }
  return ports.size();
}

int TrackerProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TrackerProcess::~TrackerProcess() { Stop(); }

Outcome RunHotSync(const std::string& arguments, const std::string& environment) {
  return RunCommand(environment + (environment.empty() ? "" : " ") + OQ_HOTSYNC_PATH + " " + arguments);
}

}  // namespace oq::test
