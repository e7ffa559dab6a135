// What a user can do next, said on stderr around a HotSync: mistakes in the
// environment before it runs, and after it what its log lines show (a
// tracker that could not be reached, a server that is no tracker, the
// tracking period, the conduit's failure).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace oq::hotsync {

// http_proxy's value, or the built-in tracker host's name.
std::string TrackerDescription();

// Before the HotSync: a proxy variable that is not read, a time-out that is
// not a number.
void WarnAboutEnvironment(std::ostream& out);

class SyncAdvice {
 public:
  // Each HotSync log line, as it is written.
  void Observe(std::string_view line);
  // After the HotSync, given the conduit's result; `command` is the
  // oq-hotsync command that ran it, "sync" or "listen".
  void Print(std::ostream& out, int32_t result, const char* command) const;

 private:
  bool transportFailed_ = false;  // since the last query went out
  bool unreachable_ = false;      // the first query failed at the transport
  bool notFound_ = false;         // some query was answered 404
  bool periodGate_ = false;       // the tracking period stopped the HotSync
};

// A user name the desktop knows in other letter case, when `name` itself
// is unknown: the likely typo.
std::string SameUserInOtherCase(const std::vector<std::string>& users, const std::string& name);

}  // namespace oq::hotsync
