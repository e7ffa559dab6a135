// Queries per second of the conduit's query against oq-tracker serving a
// catalogue database (--db) and the same catalogue from memory (--catalog),
// side by side in one run, while one query in ten asks for a program the
// catalogue lacks and is counted. Each round runs both servers in turn,
// taking turns to go first; the figures are the medians of the rounds'
// ratios: of queries per second, and of the server's processor time per
// query, which a shared machine disturbs less.
//
//   oq_tracker_catalogue_benchmark [--programs N] [--seconds S] [--rounds R] [--clients C]
//   (default: 50000 programs, 2 s, 5 rounds, 2 clients)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "child_process.h"
#include "http_client.h"
#include "test_environment.h"

namespace {

using namespace oq;
using Clock = std::chrono::steady_clock;

// Codes of digits and small letters are the catalogue's; capitals are not.
std::string KnownCreator(int i) {
  std::string code(4, '0');
  for (int k = 3; k >= 0; --k, i /= 36) code[k] = "0123456789abcdefghijklmnopqrstuvwxyz"[i % 36];
  return code;
}

// The processor time a process has used so far, user and system.
double ProcessorSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t afterName = text.rfind(')');
  if (afterName == std::string::npos) return 0;
  std::istringstream fields(text.substr(afterName + 2));
  std::string skipped;
  for (int field = 3; field < 14; ++field) fields >> skipped;  // state to cmajflt
  unsigned long long user = 0, system = 0;
  fields >> user >> system;
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Served {
  double perSecond = 0;
  double processorPerQuery = 0;  // seconds of the server's time
};

Served Serve(const test::TrackerProcess& tracker, int programs, int clients, double seconds) {
  std::atomic<long> answered{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  const double processorBefore = ProcessorSeconds(tracker.pid());
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      test::HttpClient client;
      std::mt19937 random(static_cast<unsigned>(c * 7919 + 1));
      const std::string base = tracker.Url() + "/query.php?type=appl&ver=1.0&creator=";
      for (long n = 0; Clock::now() < end; ++n) {
        std::string url;
        if (n % 10 == 9) {
          const int unknown = static_cast<int>(random() % 5000);
          url = base + "Q" + std::string(1, char('A' + unknown % 26)) + std::string(1, char('A' + unknown / 26 % 26)) +
                "X&name=Asked%20" + std::to_string(unknown);
        } else {
          url = base + KnownCreator(static_cast<int>(random() % programs)) + "&name=Program";
        }
        long status = 0;
        const std::string body = client.Get(url, status);
        if (status != 200 || body.empty()) failed = true;
        ++answered;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  if (failed) std::fprintf(stderr, "warning: some queries went unanswered\n");
  const double queries = std::max(1.0, static_cast<double>(answered));
  return {queries / seconds, (ProcessorSeconds(tracker.pid()) - processorBefore) / queries};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int programs = 50000, rounds = 5, clients = 2;
  double seconds = 2;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--programs") programs = std::max(1, std::atoi(argv[i + 1]));
    else if (flag == "--seconds") seconds = std::max(0.1, std::atof(argv[i + 1]));
    else if (flag == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    else if (flag == "--clients") clients = std::max(1, std::atoi(argv[i + 1]));
    else {
      std::fprintf(stderr,
                   "usage: oq_tracker_catalogue_benchmark [--programs N] [--seconds S] [--rounds R] "
                   "[--clients C]\n");
      return 2;
    }
  }
  test::TempDir work;
  const auto tsv = work.path() / "catalogue.tsv";
  {
    std::ofstream out(tsv);
    out << "creator\tversion\tdate\tmsg\n";
    for (int i = 0; i < programs; ++i)
      out << KnownCreator(i) << "\t1." << i % 10 << "\t2026/01/01\tProgram " << i << "\n";
  }
  const std::string db = (work.path() / "tracker.db").string();
  const auto made = test::RunCommand(std::string(OQ_TRACKER_PATH) + " db init --db " + db + " && " + OQ_TRACKER_PATH +
                                     " db import --db " + db + " " + tsv.string());
  if (made.status != 0) {
    std::fprintf(stderr, "the database could not be made: %s\n", made.output.c_str());
    return 1;
  }
  std::printf("the conduit's query, %d programs, %d clients, one query in ten for an unknown program\n", programs,
              clients);
  std::printf("%6s  %10s  %13s  %6s  %12s  %17s  %6s\n", "round", "--db q/s", "--catalog q/s", "ratio", "--db us/q",
              "--catalog us/q", "ratio");
  std::vector<double> rateRatios, processorRatios;
  for (int round = 1; round <= rounds; ++round) {
    Served served[2];  // the database, then memory
    for (int turn = 0; turn < 2; ++turn) {
      const int memory = (turn + round) % 2;
      test::TrackerProcess tracker(memory ? std::vector<std::string>{"--catalog", tsv.string()}
                                          : std::vector<std::string>{"--db", db});
      if (!tracker.running()) {
        std::fprintf(stderr, "oq-tracker did not start: %s\n", tracker.Output().c_str());
        return 1;
      }
      served[memory] = Serve(tracker, programs, clients, seconds);
    }
    rateRatios.push_back(served[0].perSecond / served[1].perSecond);
    // Less processor time per query is better: memory's over the database's.
    processorRatios.push_back(served[1].processorPerQuery / std::max(1e-9, served[0].processorPerQuery));
    std::printf("%6d  %10.0f  %13.0f  %6.2f  %12.1f  %17.1f  %6.2f\n", round, served[0].perSecond, served[1].perSecond,
                rateRatios.back(), served[0].processorPerQuery * 1e6, served[1].processorPerQuery * 1e6,
                processorRatios.back());
    std::fflush(stdout);
  }
  std::printf(
      "median ratio, the database against memory (goal: 0.90 or more): %.2f in queries per second, %.2f in "
      "the server's processor time per query\n",
      Median(rateRatios), Median(processorRatios));
  return 0;
}
