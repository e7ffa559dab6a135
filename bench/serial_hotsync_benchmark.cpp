// A first HotSync of a handheld of many programs over a cradle: the
// simulated handheld on a pseudo-terminal, pacing the line at the rate CMP
// agrees, against the same HotSync over the network on loopback in the
// same run. It prints the bytes on the line, the least time they take at
// the line's rate (ten bits a byte), the time taken, and the time against
// that floor and against the network HotSync.
//
//   oq_serial_hotsync_benchmark [--rate BPS] [PROGRAMS...]   (default: 57600; 100)
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "hotsync_bench_support.h"

namespace {

using namespace oq;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Run {
  double seconds = 0;
  uint64_t lineBytes = 0;
  uint32_t rate = 0;
};

// Waits up to 10 s for `text` in `file`; where it starts, or npos.
size_t AwaitText(const fs::path& file, const std::string& text) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (const size_t at = test::ReadText(file).find(text); at != std::string::npos) return at;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::string::npos;
}

bool Network(const fs::path& work, const fs::path& saved, Run& run) {
  const auto errors = work / "listen.err";
  const auto start = Clock::now();
  const pid_t listener =
      bench::Spawn({OQ_HOTSYNC_PATH, "listen", "--address", "127.0.0.1", "--port", "0", "--once"}, errors);
  const size_t at = AwaitText(errors, "on 127.0.0.1:");
  if (listener < 0 || at == std::string::npos) return false;
  const std::string port = std::to_string(std::atoi(test::ReadText(errors).c_str() + at + 13));
  const pid_t handheld = bench::Spawn({OQ_SIMULATED_HANDHELD_PATH, "--port", port, "--databases",
                                       (work / "handheld").string(), "--save", saved.string(), "--user", "Bench"},
                                      work / "handheld.err");
  const int status = bench::Wait(handheld);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return bench::Wait(listener) == 0 && status == 0;
}

bool Cradle(const fs::path& work, const fs::path& saved, uint32_t rate, Run& run) {
  const auto name = work / "pty.name";
  fs::remove(name);
  const pid_t handheld = bench::Spawn(
      {OQ_SIMULATED_HANDHELD_PATH, "--pty", name.string(), "--framing", "serial", "--pace", "yes", "--offer-rate",
       std::to_string(rate), "--databases", (work / "handheld").string(), "--save", saved.string(), "--user", "Bench"},
      work / "handheld.err");
  if (handheld < 0 || AwaitText(name, "/") == std::string::npos) return false;
  std::string device = test::ReadText(name);
  device.erase(device.find_last_not_of('\n') + 1);
  const auto start = Clock::now();
  const pid_t listener = bench::Spawn(
      {OQ_HOTSYNC_PATH, "listen", "--serial", device, "--baud", std::to_string(rate), "--once"}, work / "listen.err");
  const int status = bench::Wait(handheld);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const auto info = bench::Info(saved);
  run.lineBytes = std::strtoull(info.count("bytesIn") ? info.at("bytesIn").c_str() : "0", nullptr, 10) +
                  std::strtoull(info.count("bytesOut") ? info.at("bytesOut").c_str() : "0", nullptr, 10);
  run.rate = static_cast<uint32_t>(std::atoi(info.count("cmpRate") ? info.at("cmpRate").c_str() : "0"));
  return bench::Wait(listener) == 0 && status == 0;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t rate = 57600;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--rate" && i + 1 < argc) {
      rate = static_cast<uint32_t>(std::atoi(argv[++i]));
    } else if (std::atoi(argument.c_str()) > 0) {
      sizes.push_back(std::atoi(argument.c_str()));
    } else {
      std::fprintf(stderr, "usage: oq_serial_hotsync_benchmark [--rate BPS] [PROGRAMS...]\n");
      return 2;
    }
  }
  if (sizes.empty()) sizes = {100};
  signal(SIGPIPE, SIG_IGN);
  std::printf("a first HotSync over a cradle paced at %u bits per second, and over the network on loopback\n", rate);
  std::printf("%9s  %11s  %12s  %10s  %10s  %9s  %11s\n", "programs", "network s", "line bytes", "floor s", "cradle s",
              "/ floor", "/ network");
  for (const int programs : sizes) {
    test::ScopedHome home;
    test::TempDir work;
    const auto tracker = bench::SampleTracker();
    if (!tracker) return 1;
    bench::MakeHandheld(work.path() / "handheld", programs);
    Run network, cradle;
    if (!Network(work.path(), work.path() / "network", network)) {
      std::fprintf(stderr, "the network HotSync did not run: %s\n", test::ReadText(work.path() / "listen.err").c_str());
      return 1;
    }
    // The cradle's HotSync is a first one too.
    test::ScopedHome again;
    if (!Cradle(work.path(), work.path() / "cradle", rate, cradle) || cradle.rate != rate) {
      std::fprintf(stderr, "the cradle's HotSync did not run at %u: %s\n", rate,
                   test::ReadText(work.path() / "listen.err").c_str());
      return 1;
    }
    const double floor = static_cast<double>(cradle.lineBytes) * 10 / rate;
    std::printf("%9d  %11.2f  %12llu  %10.2f  %10.2f  %9.2f  %11.1f\n", programs, network.seconds,
                static_cast<unsigned long long>(cradle.lineBytes), floor, cradle.seconds, cradle.seconds / floor,
                cradle.seconds / network.seconds);
    std::fflush(stdout);
  }
  return 0;
}
