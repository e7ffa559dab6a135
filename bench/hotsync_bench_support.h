// What the HotSync benchmarks share: starting the programs, reading what the
// simulated handheld reports, and a handheld of many programs.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace oq::test {
class TrackerProcess;
}

namespace oq::bench {

// Starts a program, its output to /dev/null and its errors to `errors`;
// -1 when it could not start.
pid_t Spawn(const std::vector<std::string>& arguments, const std::filesystem::path& errors);
// Its exit status; -1 when a signal ended it.
int Wait(pid_t pid);
// handheld.txt of a saved handheld, by key.
std::map<std::string, std::string> Info(const std::filesystem::path& saved);
// A handheld folder of `programs` programs, each with a version of its own,
// and a memo database.
void MakeHandheld(const std::filesystem::path& folder, int programs);
// oq-tracker with the sample catalogue, http_proxy pointed at it; none
// (said on stderr) when it did not start.
std::unique_ptr<test::TrackerProcess> SampleTracker();

}  // namespace oq::bench
