// A whole `oq-hotsync sync` against its floor, side by side in one run: for
// each catalogue size, the sync of a handheld with that many programs
// through http_proxy to oq-tracker on loopback, with a settings file that
// holds proxy credentials as users' files do, against raw_curl_loop sending
// the same URLs through one libcurl handle to the same tracker. Prints the
// median wall times, the ratio, the TCP connections each used, the sync's
// peak resident memory and the time per program. Each run times the sync
// and the loop back to back, in turns of which goes first, and the ratio is
// the median of the runs' own ratios: a shared machine's slow spells then
// weigh on both sides of a ratio alike.
//
// With --same-cpu the benchmark, and so the tracker and both clients, keep to
// one processor. Client and tracker then hand over to each other directly,
// without waking an idle processor for every reply, so the times are the
// work itself and steady from run to run; the ratio shows the client's work
// undiluted by the wait for wake-ups.
//
//   oq_sync_benchmark [--runs N] [--same-cpu] [SIZE...]     (default: 7 runs; 1000 10000 50000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "child_process.h"
#include "handheld_files.h"
#include "hotsync_bench_support.h"
#include "program_records.h"

namespace {

using namespace oq;
using Clock = std::chrono::steady_clock;

struct Timed {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long peakKiB = 0;
  bool ok = false;
};

// Runs a program to its end with its output discarded.
Timed RunTimed(const std::vector<std::string>& arguments) {
  const auto start = Clock::now();
  Timed timed;
  if (const pid_t pid = bench::Spawn(arguments, "/dev/null"); pid > 0) {
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    timed.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    timed.peakKiB = usage.ru_maxrss;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    timed.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    timed.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return timed;
}

// Four characters from a 62-letter alphabet, distinct for 238,328 programs.
std::string CreatorCode(int index) {
  static const char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  return std::string{'Q', alphabet[index / 3844 % 62], alphabet[index / 62 % 62], alphabet[index % 62]};
}

// The tracker's request lines ("GET target -> status (from port N)").
std::vector<std::string> RequestLines(const test::TrackerProcess& tracker) {
  std::vector<std::string> lines;
  const std::string log = tracker.Output();
  for (size_t at = 0; (at = log.find("GET ", at)) != std::string::npos;) {
    const size_t end = log.find('\n', at);
    if (end == std::string::npos) break;
    lines.push_back(log.substr(at, end - at));
    at = end;
  }
  return lines;
}

// The request lines from `from` on, once `expected` of them are logged.
std::vector<std::string> WaitForRequests(const test::TrackerProcess& tracker, size_t from, size_t expected) {
  std::vector<std::string> lines = RequestLines(tracker);
  for (int attempt = 0; attempt < 400 && lines.size() < from + expected; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    lines = RequestLines(tracker);
  }
  return {lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end()};
}

size_t DistinctPorts(const std::vector<std::string>& lines) {
  std::set<std::string> ports;
  for (const auto& line : lines) ports.insert(line.substr(line.rfind("(from port ")));
  return ports.size();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Row {
  int programs;
  double sync, curl, ratio, cpuRatio;
  size_t syncConnections, curlConnections;
  long peakKiB;
};

bool MeasureSize(int programs, int runs, Row& row) {
  test::ScopedHome home;
  test::TempDir work;
  test::WriteText(home.SettingsPath(),
                  "[Track]\nPeriod=0\n\n[AuthProxy]\nEnable=YES\nUserName=quail\nPassword=orbit\n");

  std::string catalog = "creator\tversion\tdate\tmsg\n";
  std::vector<std::vector<uint8_t>> records;
  for (int i = 0; i < programs; ++i) {
    const std::string creator = CreatorCode(i);
    catalog += creator + "\t2." + std::to_string(i % 10) + "\t2026/11/" + std::to_string(1 + i % 28) +
               "\tVersion notes for " + creator + "\n";
    records.push_back(test::MakeProgramRecord({.creator = creator, .name = "Program " + creator}));
  }
  test::WriteText(work.path() / "catalog.tsv", catalog);
  const auto handheld = work.path() / "handheld";
  std::filesystem::create_directories(handheld);
  test::WriteDatabase(handheld / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
  test::WriteSavedPreferences(handheld, test::MakeTrackerPreference(0));

  test::TrackerProcess tracker({"--catalog", (work.path() / "catalog.tsv").string()});
  if (!tracker.running()) {
    std::fprintf(stderr, "oq-tracker did not start\n");
    return false;
  }
  setenv("http_proxy", tracker.Url().c_str(), 1);
  const std::vector<std::string> sync{OQ_HOTSYNC_PATH, "sync",  "--handheld", handheld.string(),
                                      "--user",        "bench", "--conduit",  OQ_CONDUIT_PATH};
  const size_t requests = static_cast<size_t>(programs) + 1;  // and the init query

  // A first sync, untimed: it writes the answers once and shows the URLs.
  size_t logged = RequestLines(tracker).size();
  if (!RunTimed(sync).ok) {
    std::fprintf(stderr, "oq-hotsync sync failed over %d programs\n", programs);
    return false;
  }
  const auto syncLines = WaitForRequests(tracker, logged, requests);
  row.syncConnections = DistinctPorts(syncLines);
  std::string urls;
  for (const auto& line : syncLines) urls += line.substr(4, line.find(" -> ") - 4) + "\n";
  const auto urlFile = work.path() / "urls.txt";
  test::WriteText(urlFile, urls);

  const std::vector<std::string> curl{OQ_RAW_CURL_LOOP_PATH, tracker.Url(), urlFile.string()};
  logged += syncLines.size();
  if (!RunTimed(curl).ok) return false;
  const auto curlLines = WaitForRequests(tracker, logged, requests);
  row.curlConnections = DistinctPorts(curlLines);

  std::vector<double> syncTimes, curlTimes, ratios, cpuRatios;
  row.peakKiB = 0;
  for (int run = 0; run < runs; ++run) {
    Timed synced, looped;
    if (run % 2 == 0) {
      synced = RunTimed(sync);
      looped = RunTimed(curl);
    } else {
      looped = RunTimed(curl);
      synced = RunTimed(sync);
    }
    if (!synced.ok || !looped.ok) return false;
    syncTimes.push_back(synced.seconds);
    curlTimes.push_back(looped.seconds);
    ratios.push_back(synced.seconds / looped.seconds);
    cpuRatios.push_back(synced.cpuSeconds / looped.cpuSeconds);
    row.peakKiB = std::max(row.peakKiB, synced.peakKiB);
  }
  row.programs = programs;
  row.sync = Median(syncTimes);
  row.curl = Median(curlTimes);
  row.ratio = Median(ratios);
  row.cpuRatio = Median(cpuRatios);
  return true;
}

// Children inherit the mask: the tracker and every client run where this does.
bool KeepToOneCpu(int& cpu) {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  cpu = 0;
  while (cpu + 1 < CPU_SETSIZE && !CPU_ISSET(cpu, &allowed)) ++cpu;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  return sched_setaffinity(0, sizeof one, &one) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7;
  bool sameCpu = false;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (argument == "--same-cpu") {
      sameCpu = true;
    } else if (std::atoi(argument.c_str()) > 0) {
      sizes.push_back(std::atoi(argument.c_str()));
    } else {
      std::fprintf(stderr, "usage: oq_sync_benchmark [--runs N] [--same-cpu] [SIZE...]\n");
      return 2;
    }
  }
  if (sizes.empty()) sizes = {1000, 10000, 50000};
  int cpu = -1;
  if (sameCpu && !KeepToOneCpu(cpu)) {
    std::perror("oq_sync_benchmark: sched_setaffinity");
    return 1;
  }

  std::printf(
      "oq-hotsync sync against a raw libcurl loop, same URLs, same tracker (median of %d runs;\n"
      "ratio: the median of each run's sync time over its loop time; cpu: the same for the\n"
      "processor time of the two clients)\n",
      runs);
  if (sameCpu) std::printf("tracker, sync and loop all on processor %d\n", cpu);
  std::printf("%9s  %9s  %9s  %6s  %6s  %11s  %13s  %12s\n", "programs", "sync s", "curl s", "ratio", "cpu",
              "connections", "sync peak KiB", "us/program");
  std::vector<Row> rows;
  for (int programs : sizes) {
    Row row{};
    if (!MeasureSize(programs, runs, row)) return 1;
    std::printf("%9d  %9.3f  %9.3f  %6.2f  %6.2f  %5zu/%-5zu  %13ld  %12.1f\n", row.programs, row.sync, row.curl,
                row.ratio, row.cpuRatio, row.syncConnections, row.curlConnections, row.peakKiB,
                row.sync * 1e6 / row.programs);
    std::fflush(stdout);
    rows.push_back(row);
  }
  if (rows.size() > 1) {
    const Row& first = rows.front();
    const Row& last = rows.back();
    std::printf("time per program at %d against %d: %.2f\n", last.programs, first.programs,
                (last.sync / last.programs) / (first.sync / first.programs));
  }
  return 0;
}
