#include "hotsync_bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "child_process.h"
#include "handheld_files.h"

extern char** environ;

namespace oq::bench {

namespace fs = std::filesystem;

pid_t Spawn(const std::vector<std::string>& arguments, const fs::path& errors) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::string> Info(const fs::path& saved) {
  std::map<std::string, std::string> info;
  std::istringstream lines(test::ReadText(saved / "handheld.txt"));
  for (std::string line; std::getline(lines, line);) {
    if (const size_t equals = line.find('='); equals != std::string::npos) {
      info[line.substr(0, equals)] = line.substr(equals + 1);
    }
  }
  return info;
}

void MakeHandheld(const fs::path& folder, int programs) {
  fs::create_directories(folder);
  for (int i = 0; i < programs; ++i) {
    palm::Database program;
    const std::string name = "Program " + std::to_string(i);
    program.SetName(name);
    program.attributes = palm::kAttributeResourceDb;
    program.type = palm::FourCCFromText("appl");
    const std::string creator = "B" + std::to_string(100 + i % 900).substr(0, 3);
    program.creator = palm::FourCCFromText(creator.c_str());
    program.creator[3] = static_cast<uint8_t>('a' + i / 900);
    program.modificationDate = 3900000000u + static_cast<uint32_t>(i);
    program.resources.push_back({palm::FourCCFromText("code"), 1, {0x4E, 0x75}});
    const std::string version = "1." + std::to_string(i % 10);
    program.resources.push_back({palm::FourCCFromText("tver"), 1000, {version.begin(), version.end() + 1}});
    test::WriteDatabase(folder / (name + ".prc"), program);
  }
  test::WriteDatabase(folder / "MemoDB.pdb", test::MakeRecordDatabase("MemoDB", "DATA", "memo", {{'h', 'i', 0}}));
}

std::unique_ptr<test::TrackerProcess> SampleTracker() {
  auto tracker = std::make_unique<test::TrackerProcess>(
      std::vector<std::string>{"--catalog", OQ_SOURCE_DIR "/tracker/sample-catalog.tsv"});
  if (!tracker->running()) {
    std::fprintf(stderr, "oq-tracker did not start\n");
    return nullptr;
  }
  setenv("http_proxy", tracker->Url().c_str(), 1);
  return tracker;
}

}  // namespace oq::bench
