// A network HotSync as it costs over a slow link: `oq-hotsync listen` and
// the tests' simulated handheld, joined by a relay on loopback that holds
// every chunk for a fixed delay in each direction. For each catalogue size
// it prints the DLP round trips, the bytes each way and the wall time of
// (a) a first HotSync, (b) a HotSync with nothing changed, stopped by the
// tracking period, and (c) one with one program upgraded. Round trips are
// exact; times follow from them and the delay.
//
//   oq_network_hotsync_benchmark [--delay-ms MS] [--hotsync PATH] [SIZE...]   (default: 5 ms; 10 100 1000)
//
// --hotsync runs another build's oq-hotsync (with its conduit beside it),
// to compare one build with another in the same run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "handheld_files.h"
#include "hotsync_bench_support.h"

namespace {

using namespace oq;
using bench::Info;
using bench::MakeHandheld;
using bench::Spawn;
using bench::Wait;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

int ListeningSocket(uint16_t& port) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(s, 1) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(s);
    return -1;
  }
  port = ntohs(address.sin_port);
  return s;
}

// One connection from the handheld to the desktop, each chunk held for the
// delay before it goes on; counts the bytes each way.
class DelayingRelay {
 public:
  DelayingRelay(uint16_t desktopPort, std::chrono::milliseconds delay) : desktopPort_(desktopPort), delay_(delay) {
    listener_ = ListeningSocket(port_);
  }
  ~DelayingRelay() {
    Join();
    if (listener_ >= 0) close(listener_);
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  uint16_t port() const { return port_; }
  bool ok() const { return listener_ >= 0; }

  void Start() {
    thread_ = std::thread([this] {
      pollfd waiting{listener_, POLLIN, 0};
      if (poll(&waiting, 1, 30000) != 1) return;
      const int handheld = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      const int desktop = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(desktopPort_);
      if (handheld < 0 || connect(desktop, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
      std::thread back([&] { Pump(desktop, handheld, toHandheld_); });
      Pump(handheld, desktop, toDesktop_);
      back.join();
      close(handheld);
      close(desktop);
    });
  }

  uint64_t toDesktop() const { return toDesktop_; }
  uint64_t toHandheld() const { return toHandheld_; }

 private:
  void Pump(int from, int to, std::atomic<uint64_t>& counted) {
    char chunk[65536];
    for (;;) {
      const ssize_t got = recv(from, chunk, sizeof chunk, 0);
      if (got <= 0) break;
      std::this_thread::sleep_for(delay_);
      counted += static_cast<uint64_t>(got);
      if (send(to, chunk, static_cast<size_t>(got), MSG_NOSIGNAL) != got) break;
    }
    shutdown(to, SHUT_WR);
  }

  uint16_t desktopPort_;
  std::chrono::milliseconds delay_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<uint64_t> toDesktop_{0}, toHandheld_{0};
};

struct Figures {
  int requests = 0;
  uint64_t toDesktop = 0, toHandheld = 0;
  double seconds = 0;
  int status = -1;
};

// One HotSync of the handheld in `databases`, its databases saved to `saved`.
bool HotSync(const std::string& hotsync, const fs::path& work, const fs::path& databases, const fs::path& saved,
             std::chrono::milliseconds delay, Figures& figures) {
  const auto errors = work / "listen.err";
  const pid_t listener = Spawn({hotsync, "listen", "--address", "127.0.0.1", "--port", "0", "--once"}, errors);
  uint16_t port = 0;
  for (int attempt = 0; attempt < 400 && port == 0; ++attempt) {
    const std::string text = test::ReadText(errors);
    if (const size_t at = text.find("on 127.0.0.1:"); at != std::string::npos) {
      port = static_cast<uint16_t>(std::atoi(text.c_str() + at + 13));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  if (listener < 0 || port == 0) return false;
  DelayingRelay relay(port, delay);
  if (!relay.ok()) return false;
  relay.Start();
  const auto start = Clock::now();
  const pid_t handheld = Spawn({OQ_SIMULATED_HANDHELD_PATH, "--port", std::to_string(relay.port()), "--databases",
                                databases.string(), "--save", saved.string(), "--user", "Bench"},
                               work / "handheld.err");
  Wait(handheld);
  figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.status = Wait(listener);
  relay.Join();
  figures.toDesktop = relay.toDesktop();
  figures.toHandheld = relay.toHandheld();
  const auto info = Info(saved);
  figures.requests = info.count("requests") ? std::atoi(info.at("requests").c_str()) : -1;
  return figures.requests > 0;
}

void Upgrade(const fs::path& file) {
  auto program = test::ReadDatabase(file);
  for (auto& resource : program.resources) {
    if (palm::FourCCText(resource.type) == "tver") resource.data = {'9', '.', '9', 0};
  }
  ++program.modificationNumber;
  program.modificationDate += 60;
  test::WriteDatabase(file, program);
}

}  // namespace

int main(int argc, char** argv) {
  int delayMs = 5;
  std::string hotsync = OQ_HOTSYNC_PATH;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--delay-ms" && i + 1 < argc) {
      delayMs = std::max(0, std::atoi(argv[++i]));
    } else if (argument == "--hotsync" && i + 1 < argc) {
      hotsync = argv[++i];
    } else if (std::atoi(argument.c_str()) > 0) {
      sizes.push_back(std::atoi(argument.c_str()));
    } else {
      std::fprintf(stderr, "usage: oq_network_hotsync_benchmark [--delay-ms MS] [--hotsync PATH] [SIZE...]\n");
      return 2;
    }
  }
  if (sizes.empty()) sizes = {10, 100, 1000};
  signal(SIGPIPE, SIG_IGN);
  const std::chrono::milliseconds delay(delayMs);

  std::printf("a network HotSync through a relay holding each chunk %d ms each way (%s)\n", delayMs, hotsync.c_str());
  std::printf("%9s  %-22s  %11s  %12s  %12s  %9s\n", "programs", "HotSync", "round trips", "to desktop B",
              "to handheld B", "seconds");
  for (const int programs : sizes) {
    test::ScopedHome home;
    test::TempDir work;
    const auto tracker = bench::SampleTracker();
    if (!tracker) return 1;
    MakeHandheld(work.path() / "handheld", programs);
    const std::pair<const char*, const char*> steps[] = {
        {"(a) first", "handheld"}, {"(b) nothing changed", "a"}, {"(c) one upgraded", "b"}};
    const char* saved[] = {"a", "b", "c"};
    for (size_t step = 0; step < 3; ++step) {
      if (step == 2) Upgrade(work.path() / "b" / "Program 0.prc");
      Figures figures;
      if (!HotSync(hotsync, work.path(), work.path() / steps[step].second, work.path() / saved[step], delay, figures)) {
        std::fprintf(stderr, "the HotSync %s did not run: %s\n", steps[step].first,
                     test::ReadText(work.path() / "listen.err").c_str());
        return 1;
      }
      std::printf("%9d  %-22s  %11d  %12llu  %12llu  %9.2f\n", programs, steps[step].first, figures.requests,
                  static_cast<unsigned long long>(figures.toDesktop),
                  static_cast<unsigned long long>(figures.toHandheld), figures.seconds);
      std::fflush(stdout);
    }
  }
  return 0;
}
