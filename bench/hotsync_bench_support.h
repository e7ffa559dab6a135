// What the HotSync benchmarks share: starting the programs, reading what the
// simulated handheld reports, and a handheld of many programs.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

}  // namespace oq::bench
