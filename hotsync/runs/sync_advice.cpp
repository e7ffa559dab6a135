#include "sync_advice.h"

#include <algorithm>
#include <cstdlib>

#include "ascii_case.h"
#include "http_timeout.h"
#include "log_texts.h"

namespace oq::hotsync {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string TrackerDescription() {
  const std::string_view proxy = Environment("http_proxy");
  if (!proxy.empty()) return "the tracker at http_proxy=" + std::string(proxy);
  return "the built-in tracker host " ORBITQUAIL_TRACKER_HOST;
}

void WarnAboutEnvironment(std::ostream& out) {
  const std::string_view upper = Environment("HTTP_PROXY");
  if (!upper.empty() && Environment("http_proxy").empty()) {
    out << "oq-hotsync: warning: HTTP_PROXY is set, but only the lower-case http_proxy is read: "
        << "export http_proxy=" << upper << "\n";
  }
  const std::string_view timeout = Environment(platform::kHttpTimeoutVariable);
  if (!timeout.empty()) {
    char* end = nullptr;
    const std::string text(timeout);
    const long seconds = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || seconds <= 0) {
      out << "oq-hotsync: warning: " << platform::kHttpTimeoutVariable << "=" << timeout
          << " is not a number of seconds; each wait for the tracker lasts up to "
          << platform::kDefaultHttpTimeoutSeconds << " s\n";
    }
  }
}

void SyncAdvice::Observe(std::string_view line) {
  static const std::string kNotFound = std::string(log_texts::kHttpError) + "194";  // 404, in hexadecimal
  if (EndsWith(line, log_texts::kTransportFailed)) transportFailed_ = true;
  if (EndsWith(line, log_texts::kServerInitFailed) && transportFailed_) unreachable_ = true;
  if (EndsWith(line, kNotFound)) notFound_ = true;
  if (line.find(log_texts::kJustTracked) != std::string_view::npos) periodGate_ = true;
}

void SyncAdvice::Print(std::ostream& out, int32_t result, const char* command) const {
  if (unreachable_) {
    out << "oq-hotsync: " << TrackerDescription() << " could not be reached; to ask another, "
        << "point http_proxy at it: http_proxy=http://HOST:PORT oq-hotsync " << command << " ...\n";
  }
  if (notFound_) {
    out << "oq-hotsync: the server answered 404: is this a tracking server? (asked: " << TrackerDescription() << ")\n";
  }
  if (periodGate_) {
    const bool now = std::string_view(command) == "sync";
    out << "oq-hotsync: the tracking period stopped this HotSync; `oq-hotsync " << command << " --force` tracks "
        << (now ? "now" : "at the next HotSync") << " and leaves the settings as they are\n";
  }
  if (result == -1) out << "oq-hotsync: the conduit reported a failure (-1)\n";
}

std::string SameUserInOtherCase(const std::vector<std::string>& users, const std::string& name) {
  if (std::find(users.begin(), users.end(), name) != users.end()) return {};
  const auto other = std::find_if(users.begin(), users.end(),
                                  [&](const std::string& user) { return ascii::EqualsIgnoringCase(user, name); });
  return other != users.end() ? *other : std::string();
}

}  // namespace oq::hotsync
