// Queries per second of the conduit's query against oq-tracker serving a
// catalogue database (--db) and the same catalogue from memory (--catalog),
// side by side in one run, while one query in ten asks for a program the
// catalogue lacks and is counted. Each round runs both servers in turn; the
// figure is the median of the rounds' ratios.
//
//   oq_tracker_catalogue_benchmark [--programs N] [--seconds S] [--rounds R] [--clients C]
//   (default: 50000 programs, 2 s, 5 rounds, 2 clients)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

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

double QueriesPerSecond(const test::TrackerProcess& tracker, int programs, int clients, double seconds) {
  std::atomic<long> answered{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
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
  return static_cast<double>(answered) / seconds;
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
  std::printf("%6s  %14s  %14s  %8s\n", "round", "--db q/s", "--catalog q/s", "ratio");
  std::vector<double> ratios;
  for (int round = 1; round <= rounds; ++round) {
    double rate[2];
    for (int memory = 0; memory < 2; ++memory) {
      test::TrackerProcess tracker(memory ? std::vector<std::string>{"--catalog", tsv.string()}
                                          : std::vector<std::string>{"--db", db});
      if (!tracker.running()) {
        std::fprintf(stderr, "oq-tracker did not start: %s\n", tracker.Output().c_str());
        return 1;
      }
      rate[memory] = QueriesPerSecond(tracker, programs, clients, seconds);
    }
    ratios.push_back(rate[0] / rate[1]);
    std::printf("%6d  %14.0f  %14.0f  %8.2f\n", round, rate[0], rate[1], ratios.back());
    std::fflush(stdout);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("median ratio, the database against memory: %.2f (goal: 0.90 or more)\n", ratios[ratios.size() / 2]);
  return 0;
}
